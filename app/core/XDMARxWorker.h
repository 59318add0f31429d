#pragma once
// Hardware receiver: reads all eight channels (CS16) into per-channel
// buffers and, every 1,048,576 samples per channel, hands the selected
// channel's block to the runtime.

#include <QObject>

#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

struct kovra_device_descriptor;
struct kovra_stream;

class XDMARxWorker : public QObject {
    Q_OBJECT
public:
    static constexpr int kChannels = 8;
    static constexpr std::size_t kBlockSamples = 1u << 20;

    explicit XDMARxWorker(kovra_device_descriptor* device, QObject* parent = nullptr);
    ~XDMARxWorker() override;

    int rxChannel() const { return rx_channel.load(); }

    // Counters for figures and diagnostics; any thread.
    struct Stats {
        std::uint64_t blocksDelivered = 0;
        std::uint64_t framesOk = 0;
        std::uint64_t framesBad = 0;
    };
    Stats stats() const;

signals:
    void setRxLED(bool isOn);
    void getRXDMAxData(const std::vector<int16_t>& buffer);

public slots:
    void startReceive();
    void stopReceive();
    // 0 to 7; other values are ignored. Takes effect at the next block.
    void setRxChannel(int ch);
    void processRx();

private:
    void closeStream();

    std::atomic<bool> running{false};
    kovra_device_descriptor* device;
    kovra_stream* stream = nullptr;
    std::array<std::vector<int16_t>, kChannels> chan_buffers;
    std::atomic<int> rx_channel{0};
    std::atomic<std::uint64_t> blocks_delivered{0};
    std::atomic<std::uint64_t> frames_ok{0};
    std::atomic<std::uint64_t> frames_bad{0};
};
