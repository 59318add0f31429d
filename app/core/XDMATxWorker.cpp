#include "XDMATxWorker.h"

#include "kovra_api.h"

#include <QMutexLocker>
#include <QThread>

#include <iostream>

namespace {
const uint64_t kChannels[8] = {0, 1, 2, 3, 4, 5, 6, 7};
constexpr unsigned long kIdlePauseMs = 1;
}  // namespace

XDMATxWorker::XDMATxWorker(kovra_device_descriptor* device, QObject* parent) : QObject(parent), device(device) {}

XDMATxWorker::~XDMATxWorker()
{
    closeStream();
}

void XDMATxWorker::closeStream()
{
    if (!stream)
        return;
    kovra_deactivate_stream(device, stream);
    kovra_close_stream(device, stream);
    stream = nullptr;
}

void XDMATxWorker::startSend(const std::vector<std::complex<float>>& buff)
{
    {
        QMutexLocker lock(&mutex);
        tx_buffer = buff;
    }
    running = true;
    std::cout << "[XDMATxWorker] 开始数据发送..." << std::endl;
}

void XDMATxWorker::stopSend()
{
    running = false;
    {
        QMutexLocker lock(&mutex);
        tx_buffer.clear();
    }
    std::cout << "[XDMATxWorker] 停止数据发送..." << std::endl;
}

void XDMATxWorker::processTx()
{
    stream = kovra_setup_stream(device, KOVRA_TX, "CF32", kChannels, 8);
    if (!stream) {
        std::cerr << "[XDMATxWorker] 创建 TX stream 失败" << std::endl;
        return;
    }
    kovra_activate_stream(device, stream);
    std::cout << "[XDMATxWorker] TX 数据流已激活，进入主循环" << std::endl;

    QThread* self = QThread::currentThread();
    while (!self->isInterruptionRequested()) {
        bool sent = false;
        if (running) {
            QMutexLocker lock(&mutex);
            if (stream && !tx_buffer.empty()) {
                const std::size_t n = cursor.nextCount(tx_buffer.size());
                const void* start = tx_buffer.data() + cursor.position;
                const void* pointers[8] = {start, start, start, start, start, start, start, start};
                int flags = 0;
                const int r = kovra_write_stream(device, stream, pointers, n, &flags, 0, 0);
                if (r > 0) {
                    cursor.advance(static_cast<std::size_t>(r), tx_buffer.size());
                    sent = true;
                } else if (r < 0) {
                    std::cerr << "[XDMATxWorker] kovra_write_stream 错误: " << r << std::endl;
                }
            }
        }
        if (!sent)
            QThread::msleep(kIdlePauseMs);
    }
    closeStream();
    std::cout << "[XDMATxWorker] 退出 TX 主循环，资源已释放" << std::endl;
}
