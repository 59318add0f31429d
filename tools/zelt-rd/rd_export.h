#pragma once
// Files written by zelt-rd.

#include "rd_result.h"

#include <string>

// rows x cols float64 values, row-major, little-endian, no header.
bool writeMatrixF64(const std::string& path, const QVector<QVector<double> >& m);

// The range-Doppler map as an image: one pixel per cell, Doppler bins left to
// right, range bin 0 at the top, colours over the 60 dB below the strongest cell.
bool writeMapPng(const std::string& path, const QVector<QVector<double> >& rdMap);

struct StrongestCell {
    int rangeBin = 0;
    int dopplerBin = 0;
    double db = 0.0;
};

// The largest value of the map; the first such cell when several are equal.
StrongestCell strongestCell(const QVector<QVector<double> >& rdMap);
