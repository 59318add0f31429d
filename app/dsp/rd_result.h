#pragma once
// The range-Doppler result of one update cycle. Every member is an implicitly
// shared Qt container, so the record crosses threads by value in queued
// signals and copies are cheap until written. Register it with
// qRegisterMetaType<RDResult>("RDResult") before queuing it.

#include <QMetaType>
#include <QVector>

struct RDResult {
    QVector<QVector<double> > rawEcho;         // [range sample][pulse], magnitude of aligned raw samples
    QVector<QVector<double> > compressedEcho;  // [range bin][pulse], magnitude after range compression
    QVector<double> pulseAxis;                 // cols entries
    QVector<double> rangeAxis;                 // rows entries
    QVector<QVector<double> > rdMap;           // [range bin][Doppler bin], dB

    // rows x cols zero matrices and zero axes; negative sizes count as 0.
    RDResult(int rows = 128, int cols = 256);

    // rows x cols zeros.
    static QVector<QVector<double> > make2dVector(int rows, int cols);
};

Q_DECLARE_METATYPE(RDResult)
