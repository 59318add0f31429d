#include "XDMARxWorker.h"

#include "kovra_api.h"
#include "stream_cursor.h"

#include <QThread>

#include <algorithm>
#include <iostream>

namespace {
const uint64_t kChannelList[8] = {0, 1, 2, 3, 4, 5, 6, 7};
constexpr unsigned long kIdlePauseMs = 1;

void publishStats(kovra_stream* stream, std::atomic<std::uint64_t>& blocks, std::atomic<std::uint64_t>& ok,
                  std::atomic<std::uint64_t>& bad, int newBlocks = 1)
{
    uint64_t framesOk = 0, framesBad = 0;
    if (kovra_get_stream_stats(stream, &framesOk, &framesBad) == 0) {
        ok = framesOk;
        bad = framesBad;
    }
    blocks += static_cast<std::uint64_t>(newBlocks);
}
}  // namespace

XDMARxWorker::Stats XDMARxWorker::stats() const
{
    return {blocks_delivered.load(), frames_ok.load(), frames_bad.load()};
}

XDMARxWorker::XDMARxWorker(kovra_device_descriptor* device, QObject* parent) : QObject(parent), device(device) {}

XDMARxWorker::~XDMARxWorker()
{
    closeStream();
}

void XDMARxWorker::closeStream()
{
    if (!stream)
        return;
    kovra_deactivate_stream(device, stream);
    kovra_close_stream(device, stream);
    stream = nullptr;
}

void XDMARxWorker::startReceive()
{
    running = true;
    std::cout << "[XDMARxWorker] 开始数据接收..." << std::endl;
}

void XDMARxWorker::stopReceive()
{
    running = false;
    std::cout << "[XDMARxWorker] 停止数据接收..." << std::endl;
}

void XDMARxWorker::setRxChannel(int ch)
{
    if (ch >= 0 && ch < kChannels)
        rx_channel.exchange(ch);
}

void XDMARxWorker::processRx()
{
    stream = kovra_setup_stream(device, KOVRA_RX, "CS16", kChannelList, 8);
    if (!stream) {
        std::cerr << "[XDMARxWorker] 创建 RX stream 失败" << std::endl;
        return;
    }
    kovra_activate_stream(device, stream);
    std::cout << "[XDMARxWorker] RX 数据流已激活，进入主循环" << std::endl;

    for (auto& buffer : chan_buffers)
        buffer.assign(2 * kBlockSamples, 0);
    std::size_t position = 0;

    QThread* self = QThread::currentThread();
    while (!self->isInterruptionRequested()) {
        bool got = false;
        if (running && stream) {
            emit setRxLED(true);
            const std::size_t total = chan_buffers[0].size() / 2;
            const std::size_t n = std::min(total - position, XDMA_FFTPOINT_PERCHIRP);
            void* pointers[kChannels];
            for (int j = 0; j < kChannels; ++j)
                pointers[j] = chan_buffers[j].data() + 2 * position;
            int flags = 0;
            long long time = 0;
            const int r = kovra_read_stream(device, stream, pointers, n, &flags, &time, 0);
            if (r > 0) {
                position += static_cast<std::size_t>(r);
                if (position >= total) {
                    int ch = rx_channel.load();
                    if (ch < 0 || ch >= kChannels)
                        ch = 0;
                    emit getRXDMAxData(chan_buffers[ch]);
                    position = 0;
                    publishStats(stream, blocks_delivered, frames_ok, frames_bad);
                }
                got = true;
            } else if (r < 0) {
                std::cerr << "[XDMARxWorker] kovra_read_stream 错误: " << r << std::endl;
            }
            emit setRxLED(false);
        }
        if (!got)
            QThread::msleep(kIdlePauseMs);
    }
    if (stream)
        publishStats(stream, blocks_delivered, frames_ok, frames_bad, 0);
    closeStream();
    std::cout << "[XDMARxWorker] 退出 RX 主循环，资源已释放" << std::endl;
}
