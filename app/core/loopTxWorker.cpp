#include "loopTxWorker.h"

#include "noise.h"
#include "signal_buffer.h"

#include <QMutexLocker>
#include <QThread>

#include <iostream>

namespace {
constexpr std::size_t kBlockLength = 1u << 20;
constexpr float kNoiseStdDev = 0.01f;
constexpr unsigned long kLoopPauseMs = 1;
}  // namespace

// The buffer is sized here rather than when the loop starts, so that a
// startSend arriving before the thread has run is not overwritten.
LoopTxWorker::LoopTxWorker(SignalBuffer* buffer, QObject* parent)
    : QObject(parent), tx_buffer(kBlockLength), signal_buffer(buffer)
{
}

void LoopTxWorker::startSend(const std::vector<std::complex<float>>& buff)
{
    {
        QMutexLocker lock(&mutex);
        tx_buffer = buff;
    }
    running = true;
    std::cout << "LoopTxWorker 开始数据接收..." << std::endl;
}

void LoopTxWorker::stopSend()
{
    running = false;
    std::cout << "LoopTxWorker 停止数据接收..." << std::endl;
}

void LoopTxWorker::processLoopTx()
{
    QThread* self = QThread::currentThread();
    while (!self->isInterruptionRequested()) {
        {
            QMutexLocker lock(&mutex);
            if (running) {
                emit setTxLED(true);
                noisy = tx_buffer;
                addGaussianNoise(noisy, kNoiseStdDev);
                signal_buffer->write(noisy);
                emit setTxLED(false);
            } else {
                emit setTxLED(false);
            }
        }
        QThread::msleep(kLoopPauseMs);
    }
    std::cout << "数据收发任务完成。" << std::endl;
}
