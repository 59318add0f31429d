#pragma once
// Hardware transmitter: while sending, streams the transmit buffer to the
// board over and over, at most 4096 samples per call, the same samples on
// all eight channels (CF32). The stream is set up when the thread starts and
// stays active until the thread is asked to stop.

#include "stream_cursor.h"

#include <QMutex>
#include <QObject>

#include <atomic>
#include <complex>
#include <vector>

struct kovra_device_descriptor;
struct kovra_stream;

class XDMATxWorker : public QObject {
    Q_OBJECT
public:
    explicit XDMATxWorker(kovra_device_descriptor* device, QObject* parent = nullptr);
    ~XDMATxWorker() override;

signals:
    void setTxLED(bool isOn);

public slots:
    // Called directly from the GUI thread.
    void startSend(const std::vector<std::complex<float>>& buff);
    void stopSend();
    // Thread body: runs until the thread's interruption is requested.
    void processTx();

private:
    void closeStream();

    std::atomic<bool> running{false};
    kovra_device_descriptor* device;
    kovra_stream* stream = nullptr;
    std::vector<std::complex<float>> tx_buffer;
    // Held from the buffer check to the end of each write, so the loop never
    // sends from a buffer being replaced.
    QMutex mutex;
    TxCursor cursor;
};
