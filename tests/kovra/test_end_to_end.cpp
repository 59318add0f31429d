// The library against the simulated board (xdma-sim as a child process):
// transmitted samples loop back through the board's receiver.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "kovra_api.h"
#include "sim_process.h"
#include "test_support.h"

namespace {

constexpr size_t kN = KOVRA_SAMPLES_PER_FRAME;

// Frame f of the test signal, as 32-bit sample words per channel: I carries
// the frame number, Q the sample and channel, so a frame is never all zero
// (the board's idle frames are, with --noise 0) and every sample differs.
int16_t sample_i(uint32_t f) { return static_cast<int16_t>(f + 1); }
int16_t sample_q(uint32_t s, uint32_t c) { return static_cast<int16_t>(s + 4096 * c); }

void signal_frame(uint32_t f, std::vector<std::vector<uint32_t>>& words)
{
    for (uint32_t c = 0; c < 8; ++c)
        for (uint32_t s = 0; s < kN; ++s)
            words[c][s] = kt::iq_word(sample_i(f), sample_q(s, c));
}

size_t env_size(const char* name, size_t fallback)
{
    const char* v = std::getenv(name);
    return v ? std::strtoul(v, nullptr, 10) : fallback;
}

class EndToEnd : public ::testing::Test {
protected:
    void start(const std::vector<std::string>& sim_args)
    {
        sim_ = std::make_unique<kt::SimProcess>(dir_.file("board"), sim_args);
        ASSERT_TRUE(sim_->ready());
        scope_ = std::make_unique<kt::NodeDirScope>(dir_.file("board"));
        kt::capture_stdout([&] {
            dev_ = kovra_open_device("devid:0");
            ASSERT_NE(dev_, nullptr);
            const uint64_t ch[8] = {0, 1, 2, 3, 4, 5, 6, 7};
            tx_ = kovra_setup_stream(dev_, KOVRA_TX, "CS16", ch, 8);
            rx_ = kovra_setup_stream(dev_, KOVRA_RX, "CS16", ch, 8);
            ASSERT_EQ(kovra_activate_stream(dev_, rx_), 0);
            ASSERT_EQ(kovra_activate_stream(dev_, tx_), 0);
        });
    }
    void TearDown() override
    {
        stop_writer();
        kt::capture_stdout([&] {
            if (tx_)
                kovra_close_stream(dev_, tx_);
            if (rx_)
                kovra_close_stream(dev_, rx_);
            if (dev_)
                kovra_close_device(dev_);
        });
        if (sim_) {
            EXPECT_EQ(sim_->stop(), 0) << sim_->output();
        }
    }

    // Sends frames 0 .. n-1 of the test signal from a thread of its own.
    void start_writer(uint32_t n)
    {
        writer_ = std::thread([this, n] {
            std::vector<std::vector<uint32_t>> ch(8, std::vector<uint32_t>(kN));
            for (uint32_t f = 0; f < n && !stop_writing_; ++f) {
                signal_frame(f, ch);
                size_t done = 0;
                int flags = 0;
                while (done < kN && !stop_writing_) {
                    const void* q[8];
                    for (int c = 0; c < 8; ++c)
                        q[c] = ch[c].data() + done;
                    int r = kovra_write_stream(dev_, tx_, q, kN - done, &flags, 0, 100000);
                    if (r < 0) {
                        ADD_FAILURE() << "write_stream " << r;
                        return;
                    }
                    done += static_cast<size_t>(r);
                }
                frames_written_ = f + 1;
            }
        });
    }
    void stop_writer()
    {
        stop_writing_ = true;
        if (writer_.joinable())
            writer_.join();
    }

    // Reads one whole frame into `ch`; false when none arrives in time.
    bool read_frame(std::vector<std::vector<uint32_t>>& ch)
    {
        void* p[8];
        for (int c = 0; c < 8; ++c)
            p[c] = ch[c].data();
        int flags = 0;
        for (int tries = 0; tries < 50; ++tries) {
            int r = kovra_read_stream(dev_, rx_, p, kN, &flags, nullptr, 200000);
            if (r < 0) {
                ADD_FAILURE() << "read_stream " << r;
                return false;
            }
            if (r == static_cast<int>(kN))
                return true;
            EXPECT_EQ(r, 0) << "a frame is handed out whole when whole frames are asked for";
        }
        return false;
    }

    bool is_idle(const std::vector<std::vector<uint32_t>>& ch) const
    {
        for (const auto& v : ch)
            if (std::memcmp(v.data(), zeros_.data(), kN * 4) != 0)
                return false;
        return true;
    }

    // Whether `ch` is exactly frame f of the test signal.
    bool is_signal_frame(const std::vector<std::vector<uint32_t>>& ch, uint32_t f)
    {
        signal_frame(f, expected_);
        for (int c = 0; c < 8; ++c)
            if (std::memcmp(ch[c].data(), expected_[c].data(), kN * 4) != 0)
                return false;
        return true;
    }

    static uint32_t frame_number(const std::vector<std::vector<uint32_t>>& ch)
    {
        return static_cast<uint16_t>(ch[0][0] & 0xFFFF) - 1u;
    }

    kt::TempDir dir_;
    std::unique_ptr<kt::SimProcess> sim_;
    std::unique_ptr<kt::NodeDirScope> scope_;
    kovra_device_descriptor* dev_ = nullptr;
    kovra_stream* tx_ = nullptr;
    kovra_stream* rx_ = nullptr;
    std::thread writer_;
    std::atomic<bool> stop_writing_{false};
    std::atomic<uint32_t> frames_written_{0};
    std::vector<uint32_t> zeros_ = std::vector<uint32_t>(kN, 0);
    std::vector<std::vector<uint32_t>> expected_ = std::vector<std::vector<uint32_t>>(8, std::vector<uint32_t>(kN));
};

TEST_F(EndToEnd, TransmittedSamplesComeBackBitExact)
{
#if defined(__SANITIZE_THREAD__)
    // ThreadSanitizer slows every copy of the board and the library alike;
    // fewer frames still cross the ring's end several times.
    const size_t frames = 600;
#else
    const size_t frames = 2000;
#endif
    const uint32_t n = static_cast<uint32_t>(env_size("KOVRA_E2E_FRAMES", frames));
    start({"--rate", "0", "--noise", "0"});
    start_writer(n);
    std::vector<std::vector<uint32_t>> ch(8, std::vector<uint32_t>(kN));
    uint32_t next = 0;
    size_t idle = 0;
    while (next < n) {
        ASSERT_TRUE(read_frame(ch)) << "after frame " << next;
        if (is_idle(ch)) {
            ++idle;
            continue;
        }
        ASSERT_EQ(frame_number(ch), next) << "frames come back in order, none lost";
        ASSERT_TRUE(is_signal_frame(ch, next)) << "frame " << next;
        ++next;
    }
    uint64_t ok = 0, bad = 0;
    kovra_get_stream_stats(rx_, &ok, &bad);
    EXPECT_EQ(bad, 0u);
    EXPECT_EQ(ok, n + idle);
}

// The board corrupts the trailer of every 10th frame it sends: exactly those
// are counted bad, every other frame arrives intact.
TEST_F(EndToEnd, BadTrailersAreCountedAndTheOtherFramesArriveIntact)
{
    const uint32_t n = 300;
    start({"--rate", "0", "--noise", "0", "--bad-trailer-every", "10"});
    start_writer(n);
    std::vector<std::vector<uint32_t>> ch(8, std::vector<uint32_t>(kN));
    int64_t last = -1;
    uint64_t ok = 0, bad = 0;
    while (last < static_cast<int64_t>(n) - 10) {
        ASSERT_TRUE(read_frame(ch)) << "after frame " << last;
        kovra_get_stream_stats(rx_, &ok, &bad);
        // This frame is the board's (ok + bad)-th and it was good.
        ASSERT_NE((ok + bad) % 10, 0u);
        ASSERT_EQ(bad, (ok + bad) / 10) << "after " << ok << " good frames";
        if (is_idle(ch))
            continue;
        const uint32_t f = frame_number(ch);
        ASSERT_GT(static_cast<int64_t>(f), last) << "looped frames keep their order";
        ASSERT_TRUE(is_signal_frame(ch, f)) << "frame " << f;
        last = f;
    }
    EXPECT_GE(bad, 1u);
}

// A point target 100 samples away at half amplitude and no Doppler: an
// impulse sent at sample 10 comes back there and, halved, at sample 110.
TEST_F(EndToEnd, EchoOfAPointTargetArrivesAtItsDelay)
{
    start({"--rate", "0", "--noise", "0", "--target", "100,0,0.5"});
    writer_ = std::thread([this] {
        std::vector<uint32_t> impulse(kN, 0);
        impulse[10] = kt::iq_word(8000, -2000);
        const void* p[8];
        for (int c = 0; c < 8; ++c)
            p[c] = impulse.data();
        int flags = 0;
        for (int f = 0; f < 20 && !stop_writing_; ++f)
            if (kovra_write_stream(dev_, tx_, p, kN, &flags, 0, 1000000) != static_cast<int>(kN))
                ADD_FAILURE() << "write";
    });
    std::vector<std::vector<uint32_t>> ch(8, std::vector<uint32_t>(kN));
    int echoes = 0;
    for (int frames = 0; echoes < 10 && frames < 2000; ++frames) {
        ASSERT_TRUE(read_frame(ch));
        if (is_idle(ch))
            continue;
        for (int c = 0; c < 8; ++c) {
            ASSERT_EQ(ch[c][10], kt::iq_word(8000, -2000)) << "looped back, channel " << c;
            ASSERT_EQ(ch[c][110], kt::iq_word(4000, -1000)) << "echo, channel " << c;
            size_t others = 0;
            for (size_t s = 0; s < kN; ++s)
                others += s != 10 && s != 110 && ch[c][s] != 0;
            ASSERT_EQ(others, 0u) << "channel " << c;
        }
        ++echoes;
    }
    EXPECT_EQ(echoes, 10);
}

// A board that stops moving data: the transmit worker is stuck in a device
// write and the receive worker in a device read; both stops still return.
TEST_F(EndToEnd, DeactivationReturnsWithinASecondWhenTheBoardStalls)
{
    start({"--rate", "0", "--noise", "0", "--stall-after", "40"});
    start_writer(200);
    std::vector<std::vector<uint32_t>> ch(8, std::vector<uint32_t>(kN));
    void* p[8];
    for (int c = 0; c < 8; ++c)
        p[c] = ch[c].data();
    int flags = 0;
    // Drain what the board delivers until it goes quiet.
    auto quiet_since = std::chrono::steady_clock::now();
    while (kt::seconds_since(quiet_since) < 0.3) {
        if (kovra_read_stream(dev_, rx_, p, kN, &flags, nullptr, 20000) > 0)
            quiet_since = std::chrono::steady_clock::now();
    }
    stop_writer();
    kovra_ringbuf_status st;
    uint64_t before = 0;
    ASSERT_TRUE(kt::eventually([&] {
        kovra_get_ringbuf_status(dev_, 0, &st);
        bool same = st.used == before;
        before = st.used;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return same;
    })) << "the transmit worker stops draining its ring";

    for (kovra_stream* s : {tx_, rx_}) {
        auto t0 = std::chrono::steady_clock::now();
        kt::capture_stdout([&] { EXPECT_EQ(kovra_deactivate_stream(dev_, s), 0); });
        EXPECT_LT(kt::seconds_since(t0), 1.0) << (s == tx_ ? "transmit" : "receive");
    }
}

}  // namespace
