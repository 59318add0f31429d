// The transmit engine over a board of plain files and named pipes: batching,
// the flow-control gate, the residue at stop, flush, timeouts and stopping
// while the device does not move data.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "kovra_api.h"
#include "test_support.h"
#include "transport.h"

namespace {

constexpr size_t kPayload = KOVRA_PAYLOAD_SIZE;
constexpr size_t kSamples = KOVRA_SAMPLES_PER_FRAME;

// Interleaved CS16 samples for 8 channels: sample s of channel c of block b.
struct Blocks {
    std::vector<std::vector<int16_t>> ch;
    explicit Blocks(size_t samples, int seed = 0) : ch(8, std::vector<int16_t>(2 * samples))
    {
        for (int c = 0; c < 8; ++c)
            for (size_t s = 0; s < samples; ++s) {
                ch[c][2 * s] = static_cast<int16_t>(s * 3 + c + seed);
                ch[c][2 * s + 1] = static_cast<int16_t>(-(int)(s % 20000) - c - seed);
            }
    }
    std::vector<const void*> ptrs(size_t sample_offset = 0) const
    {
        std::vector<const void*> p(8);
        for (int c = 0; c < 8; ++c)
            p[c] = ch[c].data() + 2 * sample_offset;
        return p;
    }
    uint32_t word(size_t s, int c) const { return kt::iq_word(ch[c][2 * s], ch[c][2 * s + 1]); }
};

class Engine : public ::testing::Test {
protected:
    void open_board(bool pipes)
    {
        kt::make_plain_board(dir_.path(), 0, pipes);
        kt::capture_stdout([&] { dev_ = kovra_open_device("devid:0"); });
        ASSERT_NE(dev_, nullptr);
    }
    void TearDown() override
    {
        kt::capture_stdout([&] {
            if (tx_)
                kovra_close_stream(dev_, tx_);
            if (dev_)
                kovra_close_device(dev_);
        });
    }
    void start_tx(const char* fmt = "CS16")
    {
        kt::capture_stdout([&] {
            tx_ = kovra_setup_stream(dev_, KOVRA_TX, fmt, nullptr, 8);
            ASSERT_NE(tx_, nullptr);
            ASSERT_EQ(kovra_activate_stream(dev_, tx_), 0);
        });
    }
    void close_gate()
    {
        kt::set_register(dir_.file("xdma0_user"), KOVRA_REG_TX_FLOWCTRL, 0);
        ASSERT_TRUE(kt::eventually([&] {
            kovra_flowctrl_status st;
            kovra_get_flowctrl_status(dev_, &st);
            return st.tx_allow == 0 && st.fc_tx_running == 1;
        }));
    }
    int write(const Blocks& b, size_t offset, size_t n, long timeout = -1)
    {
        int flags = 0;
        std::vector<const void*> p = b.ptrs(offset);
        return kovra_write_stream(dev_, tx_, p.data(), n, &flags, 0, timeout);
    }
    // The worker takes the first payload and waits with it at the closed
    // gate, so whatever is written next stays in the ring.
    void park_worker_at_gate(const Blocks& b)
    {
        ASSERT_EQ(write(b, 0, kSamples), static_cast<int>(kSamples));
        ASSERT_TRUE(kt::eventually([&] { return tx_ring_used() == 0; }));
    }
    uint64_t tx_ring_used()
    {
        kovra_ringbuf_status st;
        kovra_get_ringbuf_status(dev_, 0, &st);
        return st.used;
    }
    // Checks that `f` is a transmit frame carrying samples [first, first+4096) of `b`.
    void expect_frame(const uint8_t* f, const Blocks& b, size_t first, const char* what)
    {
        std::vector<uint8_t> tmpl(KOVRA_FRAME_SIZE);
        std::memcpy(tmpl.data(), f, KOVRA_FRAME_SIZE);
        EXPECT_EQ(tmpl[0], 0x5A) << what;
        EXPECT_EQ(tmpl[KOVRA_TRAILER_CHECK_OFFSET], 0xA5) << what;
        EXPECT_EQ(tmpl[KOVRA_CODEBOOK_OFFSET + 51], 0xC0) << what << ": default codebook in place";
        size_t bad = 0;
        for (size_t s = 0; s < kSamples; ++s)
            for (int c = 0; c < 8; ++c) {
                uint32_t w;
                std::memcpy(&w, f + KOVRA_PAYLOAD_OFFSET + 32 * s + 4 * c, 4);
                bad += w != b.word(first + s, c);
            }
        EXPECT_EQ(bad, 0u) << what;
    }

    kt::TempDir dir_;
    kt::NodeDirScope scope_{dir_.path()};
    kovra_device_descriptor* dev_ = nullptr;
    kovra_stream* tx_ = nullptr;
};

// Three and a half payloads: three whole frames go out, the half payload is
// discarded at stop with its own line.
TEST_F(Engine, HalfPayloadAtStopIsDiscarded)
{
    open_board(true);
    int rd = open(dir_.file("xdma0_h2c_0").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(rd, 0);
    start_tx();
    Blocks b(3 * kSamples + kSamples / 2);
    EXPECT_EQ(write(b, 0, 3 * kSamples + kSamples / 2), static_cast<int>(3 * kSamples + kSamples / 2));

    std::vector<uint8_t> got;
    ASSERT_TRUE(kt::eventually([&] {
        uint8_t buf[65536];
        ssize_t r = read(rd, buf, sizeof buf);
        if (r > 0)
            got.insert(got.end(), buf, buf + r);
        return got.size() >= 3 * KOVRA_FRAME_SIZE;
    }));
    ASSERT_EQ(got.size(), 3 * KOVRA_FRAME_SIZE);
    for (size_t k = 0; k < 3; ++k)
        expect_frame(got.data() + k * KOVRA_FRAME_SIZE, b, k * kSamples, "frame");

    std::string out = kt::capture_stdout([&] { EXPECT_EQ(kovra_deactivate_stream(dev_, tx_), 0); });
    EXPECT_NE(out.find("[TX Worker] Incomplete payload (65536/131072), discarding.\n"), std::string::npos) << out;
    EXPECT_NE(out.find("[TX] Streaming stopped.\n"), std::string::npos);
    close(rd);
}

// The gate closed by register 0x000 holds the frames; when it opens the
// backlog leaves in one batch (a regular file written at card offset 0 ends
// up holding exactly the last write).
TEST_F(Engine, ClosedGateHoldsFramesAndTheBacklogLeavesInOneBatch)
{
    open_board(false);
    start_tx();
    close_gate();
    Blocks b(10 * kSamples, 5);
    park_worker_at_gate(b);
    for (size_t k = 1; k < 10; ++k)
        ASSERT_EQ(write(b, k * kSamples, kSamples), static_cast<int>(kSamples));
    const std::string h2c = dir_.file("xdma0_h2c_0");
    ASSERT_TRUE(kt::eventually([&] { return tx_ring_used() == 9 * kPayload; })) << "worker holds one frame; used " << tx_ring_used() << " file " << kt::file_size(dir_.file("xdma0_h2c_0"));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(kt::file_size(h2c), 0) << "nothing passes the closed gate";

    kt::set_register(dir_.file("xdma0_user"), KOVRA_REG_TX_FLOWCTRL, 1);
    ASSERT_TRUE(kt::eventually([&] { return kt::file_size(h2c) == static_cast<off_t>(9 * KOVRA_FRAME_SIZE); }))
        << "size " << kt::file_size(h2c);
    std::vector<uint8_t> f = kt::read_file(h2c);
    for (size_t k = 0; k < 9; ++k)
        expect_frame(f.data() + k * KOVRA_FRAME_SIZE, b, (k + 1) * kSamples, "batched frame");
}

// What the worker had not taken when transmit stopped stays in the ring and
// leaves through flush as one zero-padded block.
TEST_F(Engine, FlushSendsTheResidueAsOnePaddedBlock)
{
    open_board(false);
    start_tx();
    close_gate();
    Blocks b(kSamples + kSamples / 2, 9);
    park_worker_at_gate(b);
    ASSERT_EQ(write(b, kSamples, kSamples / 2), static_cast<int>(kSamples / 2));
    ASSERT_TRUE(kt::eventually([&] { return tx_ring_used() == kPayload / 2; }));
    kt::capture_stdout([&] { ASSERT_EQ(kovra_deactivate_stream(dev_, tx_), 0); });

    kovra_ringbuf_status st;
    ASSERT_EQ(kovra_get_ringbuf_status(dev_, 0, &st), 0);
    EXPECT_EQ(st.active, 1);
    EXPECT_EQ(st.used, kPayload / 2);
    EXPECT_EQ(st.shutdown, 1);
    EXPECT_EQ(kt::file_size(dir_.file("xdma0_h2c_0")), 0) << "the frame held at the gate was dropped";

    std::string out = kt::capture_stdout([&] { EXPECT_EQ(kovra_flush_stream(dev_, tx_), 0); });
    EXPECT_EQ(out,
              "[TX Flush] Flushing 65536 residual bytes...\n"
              "[TX Flush] Sent padded frame (65536 valid + 94464 padding bytes)\n"
              "[TX Flush] Complete.\n");
    std::vector<uint8_t> f = kt::read_file(dir_.file("xdma0_h2c_0"));
    ASSERT_EQ(f.size(), KOVRA_FRAME_SIZE);
    size_t bad = 0;
    for (size_t s = 0; s < kSamples / 2; ++s)
        for (int c = 0; c < 8; ++c) {
            uint32_t w;
            std::memcpy(&w, f.data() + 32 * s + 4 * c, 4);
            bad += w != b.word(kSamples + s, c);
        }
    EXPECT_EQ(bad, 0u) << "the residue rows start the block";
    EXPECT_TRUE(std::all_of(f.begin() + kPayload / 2, f.end(), [](uint8_t v) { return v == 0; }));
    out = kt::capture_stdout([&] { EXPECT_EQ(kovra_flush_tx(dev_), 0); });
    EXPECT_EQ(out, "[TX Flush] No residual data.\n");
}

// Timeout 0 never waits, a positive timeout waits about that long, and a
// full ring gives 0 (not a hang) so a worker thread can be stopped.
TEST_F(Engine, WriteTimeoutIsHonouredWhenTheRingIsFull)
{
    open_board(false);
    start_tx();
    close_gate();
    Blocks b(kSamples);
    park_worker_at_gate(b);
    int accepted = 0;
    for (int k = 0; k < 256; ++k)
        accepted += write(b, 0, kSamples, 0) > 0;
    EXPECT_EQ(accepted, 256) << "the 32 MiB ring";
    EXPECT_EQ(write(b, 0, kSamples, 0), 0) << "no room: 0 at once";

    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(write(b, 0, kSamples, 20000), 0);
    double waited = kt::seconds_since(t0);
    EXPECT_GE(waited, 0.019);
    EXPECT_LT(waited, 2.0) << "a bounded wait ends";

    std::atomic<int> blocking{-99};
    std::thread t([&] { blocking = write(b, 0, kSamples, -1); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(blocking.load(), -99) << "a negative timeout waits for room";
    kt::set_register(dir_.file("xdma0_user"), KOVRA_REG_TX_FLOWCTRL, 1);
    t.join();
    EXPECT_EQ(blocking.load(), static_cast<int>(kSamples));
}

// With a bounded wait the call takes what fits, in whole samples.
TEST_F(Engine, BoundedWriteTakesWhatFitsInWholeSamples)
{
    open_board(false);
    start_tx();
    close_gate();
    Blocks b(kSamples);
    park_worker_at_gate(b);
    // The 32 MiB ring holds 1048576 samples: 1048 blocks of 1000, then 576.
    size_t total = 0;
    int r;
    while ((r = write(b, 0, 1000, 0)) == 1000)
        total += 1000;
    EXPECT_EQ(total, 1048000u);
    EXPECT_EQ(r, 576);
    EXPECT_EQ(write(b, 0, 1000, 0), 0);
}

// Stopping while the worker is blocked in a device write that will never
// complete (nobody reads the pipe) returns promptly, without an error line.
TEST_F(Engine, StopReturnsWhileTheDeviceWriteIsBlocked)
{
    open_board(true);
    start_tx();
    Blocks b(kSamples);
    for (int k = 0; k < 8; ++k)
        ASSERT_EQ(write(b, 0, kSamples, 0), static_cast<int>(kSamples));
    ASSERT_TRUE(kt::eventually([&] { return tx_ring_used() == 0; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));

    std::string err;
    auto t0 = std::chrono::steady_clock::now();
    err = kt::capture_stderr([&] { kt::capture_stdout([&] { EXPECT_EQ(kovra_deactivate_stream(dev_, tx_), 0); }); });
    EXPECT_LT(kt::seconds_since(t0), 1.0);
    EXPECT_EQ(err.find("pwrite failed"), std::string::npos) << "[" << err << "]";
}

TEST_F(Engine, StartingTwiceIsRefused)
{
    open_board(false);
    start_tx();
    std::string err = kt::capture_stderr([&] { EXPECT_EQ(kovra_start_tx_streaming(dev_), -114); });
    EXPECT_EQ(err, "[TX] Streaming already started.\n");
    EXPECT_EQ(kovra_flush_tx(dev_), -114) << "the running worker is the ring's only reader";
    kovra_stream* second = nullptr;
    kt::capture_stderr([&] {
        kt::capture_stdout([&] {
            second = kovra_setup_stream(dev_, KOVRA_TX, "CS16", nullptr, 8);
            EXPECT_EQ(kovra_activate_stream(dev_, second), -114);
            EXPECT_EQ(kovra_activate_stream(dev_, tx_), -114) << "stream already active";
            EXPECT_EQ(kovra_close_stream(dev_, second), 0);
        });
    });
    EXPECT_EQ(kovra_start_tx_streaming(nullptr), -14);
    EXPECT_EQ(kovra_stop_rx_streaming(dev_), 0) << "stopping a stopped direction";
}

TEST_F(Engine, UnmappedWindowLeavesTheGateOpen)
{
    open_board(false);
    kovra_transport* t = kovra_get_transport(dev_);
    uint32_t* saved = t->link->map_base;
    t->link->map_base = nullptr;
    // Joining the flow-control thread at stop makes sure its line is out.
    std::string err = kt::capture_stderr([&] {
        start_tx();
        kt::capture_stdout([&] { kovra_deactivate_stream(dev_, tx_); });
    });
    t->link->map_base = saved;
    EXPECT_NE(err.find("[FC-TX] map_base invalid, flow control disabled.\n"), std::string::npos) << err;
    kovra_flowctrl_status st;
    kovra_get_flowctrl_status(dev_, &st);
    EXPECT_EQ(st.tx_allow, 1);
}

}  // namespace
