#pragma once
// Loopback receiver: while receiving, hands each queued vector to the runtime;
// otherwise a zero block of the same length every 20 ms.

#include <QMutex>
#include "sample_types.h"

#include <QObject>

#include <atomic>
#include <complex>
#include <vector>

class SignalBuffer;

class LoopRxWorker : public QObject {
    Q_OBJECT
public:
    explicit LoopRxWorker(SignalBuffer* buffer, QObject* parent = nullptr);

    bool isReceiving() const { return running.load(); }

signals:
    void setRxLED(bool isOn);
    void getLoopRxData(const std::vector<std::complex<float>>& buffer);

public slots:
    void startReceive();
    void stopReceive();
    // Thread body: runs until the thread's interruption is requested, also
    // while it waits for data that never comes.
    void processLoopRx();

private:
    std::atomic<bool> running{false};
    QMutex mutex;
    std::vector<std::complex<float>> rx_buffer;
    SignalBuffer* signal_buffer;
};
