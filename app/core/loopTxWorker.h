#pragma once
// Loopback transmitter: while sending, queues a noisy copy of the transmit
// buffer into the shared SignalBuffer about every millisecond.

#include <QMutex>
#include <QObject>

#include <atomic>
#include <complex>
#include <vector>

class SignalBuffer;

class LoopTxWorker : public QObject {
    Q_OBJECT
public:
    explicit LoopTxWorker(SignalBuffer* buffer, QObject* parent = nullptr);

    bool isSending() const { return running.load(); }

signals:
    void setTxLED(bool isOn);

public slots:
    // Called directly from the GUI thread; take effect at the loop's next iteration.
    void startSend(const std::vector<std::complex<float>>& buff);
    void stopSend();
    // Thread body: runs until the thread's interruption is requested.
    void processLoopTx();

private:
    std::atomic<bool> running{false};
    QMutex mutex;
    std::vector<std::complex<float>> tx_buffer;
    std::vector<std::complex<float>> noisy;
    SignalBuffer* signal_buffer;
};
