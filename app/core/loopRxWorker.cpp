#include "loopRxWorker.h"

#include "signal_buffer.h"

#include <QMutexLocker>
#include <QThread>

#include <algorithm>
#include <iostream>

namespace {
constexpr std::size_t kBlockLength = 1u << 20;
constexpr unsigned long kLoopPauseMs = 20;
}  // namespace

LoopRxWorker::LoopRxWorker(SignalBuffer* buffer, QObject* parent) : QObject(parent), signal_buffer(buffer) {}

void LoopRxWorker::startReceive()
{
    running = true;
    std::cout << "LoopRxWorker 开始数据接收..." << std::endl;
}

void LoopRxWorker::stopReceive()
{
    running = false;
    std::cout << "LoopRxWorker 停止数据接收..." << std::endl;
}

void LoopRxWorker::processLoopRx()
{
    rx_buffer.assign(kBlockLength, {0.0f, 0.0f});
    QThread* self = QThread::currentThread();
    while (!self->isInterruptionRequested()) {
        {
            QMutexLocker lock(&mutex);
            if (running) {
                emit setRxLED(true);
                std::vector<std::complex<float>> block = signal_buffer->read();
                // An empty vector means the wait was cut short by a stop request.
                if (!block.empty() || !self->isInterruptionRequested()) {
                    rx_buffer = std::move(block);
                    emit getLoopRxData(rx_buffer);
                }
                emit setRxLED(false);
            } else {
                emit setRxLED(false);
                std::fill(rx_buffer.begin(), rx_buffer.end(), std::complex<float>(0.0f, 0.0f));
                emit getLoopRxData(rx_buffer);
            }
        }
        QThread::msleep(kLoopPauseMs);
    }
    std::cout << "数据收发任务完成。" << std::endl;
}
