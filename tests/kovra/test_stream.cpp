// Streams: set-up rules, argument checks, and the receive side's frame
// search, frame checks and delivery in pieces. The receive node is a
// regular file read again and again from card offset 0, so the byte stream
// is its content repeated.
#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <thread>
#include <vector>

#include "kovra_api.h"
#include "test_support.h"

namespace {

uint32_t word_a(uint32_t r, uint32_t c) { return kt::iq_word(int16_t(r + 100 * c), int16_t(-int(r) - 1)); }
uint32_t word_b(uint32_t r, uint32_t c) { return kt::iq_word(int16_t(7 * r - 20000 + c), int16_t(c * 1000 + 1)); }

class Streams : public ::testing::Test {
protected:
    void open_board(const std::vector<uint8_t>& c2h, bool pipes = false)
    {
        kt::make_plain_board(dir_.path(), 0, pipes, c2h);
        kt::capture_stdout([&] { dev_ = kovra_open_device("devid:0"); });
        ASSERT_NE(dev_, nullptr);
    }
    void TearDown() override
    {
        kt::capture_stdout([&] {
            if (s_)
                kovra_close_stream(dev_, s_);
            if (dev_)
                kovra_close_device(dev_);
        });
    }
    kovra_stream* rx(const char* fmt, const uint64_t* ch, size_t n)
    {
        kt::capture_stdout([&] {
            s_ = kovra_setup_stream(dev_, KOVRA_RX, fmt, ch, n);
            if (s_) {
                EXPECT_EQ(kovra_activate_stream(dev_, s_), 0);
            }
        });
        return s_;
    }
    int read(std::vector<void*> bufs, size_t n, long timeout = 2000000)
    {
        int flags = 0;
        long long t = 99;
        int r = kovra_read_stream(dev_, s_, bufs.data(), n, &flags, &t, timeout);
        EXPECT_EQ(t, 0);
        return r;
    }

    kt::TempDir dir_;
    kt::NodeDirScope scope_{dir_.path()};
    kovra_device_descriptor* dev_ = nullptr;
    kovra_stream* s_ = nullptr;
};

TEST_F(Streams, SetupBuildsTheChannelMask)
{
    open_board({});
    struct Case {
        std::vector<uint64_t> channels;  // empty: no array
        size_t count;
        const char* format;
        const char* line;
    } cases[] = {
        {{0, 1, 2, 3, 4, 5, 6, 7}, 8, "CS16", "[Stream] Setup: direction=RX, format=CS16, channels=8, mask=0xFF\n"},
        {{}, 3, nullptr, "[Stream] Setup: direction=RX, format=CS16, channels=3, mask=0x7\n"},
        {{7, 9, 2}, 3, "CF32", "[Stream] Setup: direction=RX, format=CF32, channels=3, mask=0x84\n"},
        {{}, 12, "CF32", "[Stream] Setup: direction=RX, format=CF32, channels=8, mask=0xFF\n"},
    };
    for (const Case& c : cases) {
        kovra_stream* s = nullptr;
        std::string out = kt::capture_stdout(
            [&] { s = kovra_setup_stream(dev_, KOVRA_RX, c.format, c.channels.empty() ? nullptr : c.channels.data(), c.count); });
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(out, c.line);
        kt::capture_stdout([&] { kovra_close_stream(dev_, s); });
    }
    std::string err = kt::capture_stderr([&] { EXPECT_EQ(kovra_setup_stream(dev_, KOVRA_TX, "CS8", nullptr, 2), nullptr); });
    EXPECT_EQ(err, "[Stream] Unsupported format: CS8 (use CS16 or CF32)\n");
    EXPECT_EQ(kovra_setup_stream(nullptr, KOVRA_TX, "CS16", nullptr, 2), nullptr);
}

TEST_F(Streams, CallsBeforeActivationOrInTheWrongDirectionAreRefused)
{
    open_board({});
    kovra_stream *tx = nullptr, *rxs = nullptr;
    kt::capture_stdout([&] {
        tx = kovra_setup_stream(dev_, KOVRA_TX, "CS16", nullptr, 1);
        rxs = kovra_setup_stream(dev_, KOVRA_RX, "CS16", nullptr, 1);
    });
    std::vector<int16_t> buf(64);
    const void* in[1] = {buf.data()};
    void* out[1] = {buf.data()};
    int flags = 0;
    EXPECT_EQ(kovra_write_stream(dev_, tx, in, 16, &flags, 0, 0), -1) << "inactive";
    EXPECT_EQ(kovra_read_stream(dev_, rxs, out, 16, &flags, nullptr, 0), -1) << "inactive";
    EXPECT_EQ(kovra_write_stream(dev_, rxs, in, 16, &flags, 0, 0), -22) << "receive stream";
    EXPECT_EQ(kovra_read_stream(dev_, tx, out, 16, &flags, nullptr, 0), -22) << "transmit stream";
    EXPECT_EQ(kovra_write_stream(dev_, tx, nullptr, 16, &flags, 0, 0), -22);
    EXPECT_EQ(kovra_flush_stream(dev_, rxs), -22);
    EXPECT_EQ(kovra_activate_stream(dev_, nullptr), -22);
    EXPECT_EQ(kovra_deactivate_stream(dev_, tx), 0) << "inactive: nothing to do";
    EXPECT_EQ(kovra_get_stream_stats(nullptr, nullptr, nullptr), -22);
    EXPECT_EQ(kovra_close_stream(dev_, nullptr), -22);
    kt::capture_stdout([&] {
        EXPECT_EQ(kovra_close_stream(dev_, tx), 0);
        EXPECT_EQ(kovra_close_stream(dev_, rxs), 0);
    });
}

// 100 garbage bytes, a good frame, a frame with a bad trailer, a good frame.
TEST_F(Streams, FindsFramesAfterGarbageSkipsBadTrailersAndDeliversInPieces)
{
    std::vector<uint8_t> c2h(100, 0x11);
    std::vector<uint8_t> a = kt::make_frame(word_a), bad = kt::make_frame(word_b), b = kt::make_frame(word_b);
    bad[KOVRA_TRAILER_CHECK_OFFSET] = 0x00;
    for (auto* f : {&a, &bad, &b})
        c2h.insert(c2h.end(), f->begin(), f->end());
    open_board(c2h);
    const uint64_t channels[3] = {5, 0, 7};
    ASSERT_NE(rx("CS16", channels, 3), nullptr);

    for (auto [word, name] : {std::pair{&word_a, "first frame"}, std::pair{&word_b, "frame after the bad one"}}) {
        std::vector<std::vector<int16_t>> got(3, std::vector<int16_t>(2 * 4096, 0x7777));
        size_t have = 0;
        std::vector<size_t> pieces;
        while (have < 4096) {
            std::vector<void*> bufs = {got[0].data() + 2 * have, got[1].data() + 2 * have, got[2].data() + 2 * have};
            int r = read(bufs, 1000);
            ASSERT_GE(r, 0);
            if (r > 0)
                pieces.push_back(static_cast<size_t>(r));
            have += static_cast<size_t>(r);
        }
        EXPECT_EQ(pieces, (std::vector<size_t>{1000, 1000, 1000, 1000, 96})) << name;
        size_t wrong = 0;
        for (int i = 0; i < 3; ++i)
            for (uint32_t r = 0; r < 4096; ++r)
                wrong += kt::iq_word(got[i][2 * r], got[i][2 * r + 1]) != (*word)(r, uint32_t(channels[i]));
        EXPECT_EQ(wrong, 0u) << name;
    }
    uint64_t ok = 0, nbad = 0;
    ASSERT_EQ(kovra_get_stream_stats(s_, &ok, &nbad), 0);
    EXPECT_EQ(ok, 2u);
    EXPECT_EQ(nbad, 1u);
}

// Buffers map to channels by the stream's list: a channel named twice fills
// both buffers, a channel the board does not have leaves its buffer alone.
TEST_F(Streams, Cf32DeliversSamplesOver32767ByTheChannelList)
{
    open_board(kt::make_frame([](uint32_t r, uint32_t c) {
        return c == 3 ? kt::iq_word(32767, -32768) : kt::iq_word(int16_t(r), int16_t(c));
    }));
    const uint64_t channels[4] = {3, 6, 12, 3};
    ASSERT_NE(rx("CF32", channels, 4), nullptr);
    std::vector<float> ch3(2 * 16), ch6(2 * 16), none(2 * 16, 42.0f), again(2 * 16);
    ASSERT_EQ(read({ch3.data(), nullptr, none.data(), again.data()}, 16), 16);
    EXPECT_EQ(ch3[0], 1.0f);
    EXPECT_EQ(ch3[1], static_cast<float>(-32768 / 32767.0));
    EXPECT_EQ(again, ch3);
    EXPECT_EQ(none, std::vector<float>(2 * 16, 42.0f));
    ASSERT_EQ(read({nullptr, ch6.data(), nullptr, nullptr}, 16), 16);
    EXPECT_EQ(ch6[0], static_cast<float>(16 / 32767.0)) << "continues at sample 16";
    EXPECT_EQ(ch6[1], static_cast<float>(6 / 32767.0));
}

// Receive timeouts: 0 never waits, a positive value waits about that long,
// and stopping while the worker is blocked in the device read is prompt.
TEST_F(Streams, ReadTimeoutAndStopWhileTheDeviceReadIsBlocked)
{
    open_board({}, true);
    ASSERT_NE(rx("CS16", nullptr, 8), nullptr);
    std::vector<int16_t> buf(2 * 4096);
    std::vector<void*> bufs(8, buf.data());
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(read(bufs, 4096, 0), 0);
    EXPECT_LT(kt::seconds_since(t0), 0.5) << "timeout 0 does not wait";
    t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(read(bufs, 4096, 30000), 0);
    EXPECT_GE(kt::seconds_since(t0), 0.029);
    EXPECT_LT(kt::seconds_since(t0), 2.0) << "a bounded wait ends";

    // A frame arriving during a bounded wait is delivered.
    std::thread feeder([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        int fd = open(dir_.file("xdma0_c2h_0").c_str(), O_WRONLY);
        std::vector<uint8_t> f = kt::make_frame(word_a);
        size_t done = 0;
        while (done < f.size()) {
            ssize_t r = write(fd, f.data() + done, f.size() - done);
            if (r <= 0)
                break;
            done += static_cast<size_t>(r);
        }
        close(fd);
    });
    int r = 0;
    for (int tries = 0; tries < 20 && r == 0; ++tries)
        r = read(bufs, 4096, 500000);
    feeder.join();
    EXPECT_EQ(r, 4096);

    t0 = std::chrono::steady_clock::now();
    kt::capture_stdout([&] { EXPECT_EQ(kovra_deactivate_stream(dev_, s_), 0); });
    EXPECT_LT(kt::seconds_since(t0), 1.0);
}

}  // namespace
