#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "spsc_ringbuf.h"
#include "test_support.h"

namespace {

struct RingDeleter {
    void operator()(spsc_ringbuf* r) const { spsc_ringbuf_destroy(r); }
};
using Ring = std::unique_ptr<spsc_ringbuf, RingDeleter>;

Ring make_ring(uint64_t cap)
{
    Ring r;
    kt::capture_stdout([&] { r.reset(spsc_ringbuf_create(cap)); });
    return r;
}

TEST(SpscRingbuf, CapacityIsRoundedUpToAPowerOfTwoOfAtLeastOnePage)
{
    struct Case {
        uint64_t requested;
        uint64_t capacity;
    } cases[] = {{0, 4096}, {1, 4096}, {4096, 4096}, {4097, 8192}, {0x2000000, 33554432}, {0x2000001, 0x4000000}};
    for (const Case& c : cases) {
        Ring r = make_ring(c.requested);
        ASSERT_TRUE(r) << c.requested;
        EXPECT_EQ(r->capacity, c.capacity) << c.requested;
        EXPECT_EQ(r->mask, c.capacity - 1);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(r->buffer) % 4096, 0u);
        EXPECT_EQ(spsc_ringbuf_free_space(r.get()), c.capacity);
        EXPECT_EQ(spsc_ringbuf_available(r.get()), 0u);
    }
}

TEST(SpscRingbuf, CreationLineShowsBytesAndMegabytes)
{
    spsc_ringbuf* r = nullptr;
    std::string out = kt::capture_stdout([&] { r = spsc_ringbuf_create(0x2000000); });
    EXPECT_EQ(out, "[SPSC] Created: capacity=33554432 bytes (32.0 MB), lock-free\n");
    out = kt::capture_stdout([&] { spsc_ringbuf_destroy(r); });
    EXPECT_EQ(out, "[SPSC] Destroyed.\n");
}

TEST(SpscRingbuf, RoundUpPow2)
{
    const std::pair<uint64_t, uint64_t> cases[] = {
        {0, 1}, {1, 1}, {2, 2}, {3, 4}, {1000, 1024}, {(1ull << 40) + 1, 1ull << 41}, {1ull << 63, 1ull << 63}};
    for (auto [in, out] : cases)
        EXPECT_EQ(round_up_pow2(in), out) << in;
}

TEST(SpscRingbuf, BadArgumentsAreRefusedWithoutEffect)
{
    Ring r = make_ring(4096);
    uint8_t b[8] = {1};
    EXPECT_EQ(spsc_ringbuf_write(nullptr, b, 8), -1);
    EXPECT_EQ(spsc_ringbuf_write(r.get(), nullptr, 8), -1);
    EXPECT_EQ(spsc_ringbuf_write(r.get(), b, 0), -1);
    EXPECT_EQ(spsc_ringbuf_read(nullptr, b, 8), -1);
    EXPECT_EQ(spsc_ringbuf_read(r.get(), nullptr, 8), -1);
    EXPECT_EQ(spsc_ringbuf_read_exact(r.get(), nullptr, 8), -1);
    EXPECT_EQ(spsc_ringbuf_available(nullptr), 0u);
    EXPECT_EQ(spsc_ringbuf_free_space(nullptr), 0u);
    EXPECT_EQ(spsc_ringbuf_available(r.get()), 0u);
    spsc_ringbuf_shutdown(nullptr);
    spsc_ringbuf_reset(nullptr);
}

TEST(SpscRingbuf, TransfersAcrossTheEndArriveInOrder)
{
    Ring r = make_ring(4096);
    std::vector<uint8_t> fill(3000, 0xEE), out(4096);
    ASSERT_EQ(spsc_ringbuf_write(r.get(), fill.data(), fill.size()), 3000);
    ASSERT_EQ(spsc_ringbuf_read(r.get(), out.data(), 3000), 3000);
    // The next 2000 bytes straddle the end of the buffer.
    std::vector<uint8_t> data(2000);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i * 7 + 1);
    ASSERT_EQ(spsc_ringbuf_write(r.get(), data.data(), data.size()), 2000);
    EXPECT_EQ(spsc_ringbuf_available(r.get()), 2000u);
    EXPECT_EQ(spsc_ringbuf_free_space(r.get()), 2096u);
    ASSERT_EQ(spsc_ringbuf_read_exact(r.get(), out.data(), 2000), 2000);
    EXPECT_EQ(0, std::memcmp(out.data(), data.data(), 2000));
}

TEST(SpscRingbuf, ReadReturnsWhatIsThereWithoutWaitingForMore)
{
    Ring r = make_ring(4096);
    uint8_t in[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, out[100] = {};
    spsc_ringbuf_write(r.get(), in, 10);
    EXPECT_EQ(spsc_ringbuf_read(r.get(), out, 100), 10);
    EXPECT_EQ(0, std::memcmp(in, out, 10));
}

// After shutdown: writers stop at once, readers drain and then come back short.
TEST(SpscRingbuf, ShutdownReleasesBothEnds)
{
    Ring r = make_ring(4096);
    std::vector<uint8_t> big(8192, 0x11), out(8192);
    ASSERT_EQ(spsc_ringbuf_write(r.get(), big.data(), 100), 100);
    kt::capture_stdout([&] { spsc_ringbuf_shutdown(r.get()); });

    EXPECT_EQ(spsc_ringbuf_write(r.get(), big.data(), 10), 0) << "write after shutdown";
    EXPECT_EQ(spsc_ringbuf_read(r.get(), out.data(), 60), 60) << "stored data still drains";
    EXPECT_EQ(spsc_ringbuf_read_exact(r.get(), out.data(), 100), 40) << "read exact comes back short";
    EXPECT_EQ(spsc_ringbuf_read(r.get(), out.data(), 10), 0) << "empty and shut down";

    spsc_ringbuf_reset(r.get());
    EXPECT_EQ(spsc_ringbuf_write(r.get(), big.data(), 10), 10) << "reset returns it to running";
    EXPECT_EQ(spsc_ringbuf_available(r.get()), 10u);
}

TEST(SpscRingbuf, ShutdownWakesBlockedWriterAndReader)
{
    Ring full = make_ring(4096), empty = make_ring(4096);
    std::vector<uint8_t> buf(8192, 0x22);
    std::atomic<int> wrote{-2}, read{-2};
    std::thread writer([&] { wrote = spsc_ringbuf_write(full.get(), buf.data(), buf.size()); });
    std::vector<uint8_t> out(16);
    std::thread reader([&] { read = spsc_ringbuf_read(empty.get(), out.data(), out.size()); });
    while (spsc_ringbuf_available(full.get()) < 4096)
        std::this_thread::yield();
    kt::capture_stdout([&] {
        spsc_ringbuf_shutdown(full.get());
        spsc_ringbuf_shutdown(empty.get());
    });
    writer.join();
    reader.join();
    EXPECT_EQ(wrote.load(), 4096) << "the bytes written before shutdown";
    EXPECT_EQ(read.load(), 0);
}

TEST(SpscRingbuf, ReadExactUpToCapacityCollectsPieces)
{
    Ring r = make_ring(4096);
    std::vector<uint8_t> out(4097);
    std::string err = kt::capture_stderr([&] { EXPECT_EQ(spsc_ringbuf_read_exact(r.get(), out.data(), 4097), -1); });
    EXPECT_EQ(err, "[SPSC] read_exact: len=4097 > capacity=4096\n");

    std::thread producer([&] {
        std::vector<uint8_t> piece(512);
        for (int k = 0; k < 8; ++k) {
            std::fill(piece.begin(), piece.end(), static_cast<uint8_t>(k));
            spsc_ringbuf_write(r.get(), piece.data(), piece.size());
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    EXPECT_EQ(spsc_ringbuf_read_exact(r.get(), out.data(), 4096), 4096);
    producer.join();
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(out[static_cast<size_t>(k) * 512 + 511], k);
}

// A producer writing chunks of random size and a consumer reading chunks of
// other random sizes through a small ring: every byte arrives, in order.
TEST(SpscRingbuf, RandomChunkProducerConsumerKeepsEveryByteInOrder)
{
    Ring r = make_ring(4096);
    const size_t total = 4u << 20;
    auto byte_at = [](size_t i) { return static_cast<uint8_t>((i * 2654435761u) >> 13); };
    std::thread producer([&] {
        std::mt19937 rng(1);
        std::vector<uint8_t> chunk(6000);
        size_t pos = 0;
        while (pos < total) {
            size_t n = std::min<size_t>(total - pos, 1 + rng() % chunk.size());
            for (size_t i = 0; i < n; ++i)
                chunk[i] = byte_at(pos + i);
            ASSERT_EQ(spsc_ringbuf_write(r.get(), chunk.data(), n), static_cast<int>(n));
            pos += n;
        }
    });
    std::mt19937 rng(2);
    std::vector<uint8_t> chunk(5000);
    size_t pos = 0, mismatches = 0;
    while (pos < total) {
        size_t want = std::min<size_t>(total - pos, 1 + rng() % chunk.size());
        int n = (rng() & 1) ? spsc_ringbuf_read(r.get(), chunk.data(), want)
                            : spsc_ringbuf_read_exact(r.get(), chunk.data(), std::min<size_t>(want, 4096));
        if (n <= 0) {
            ADD_FAILURE() << "read returned " << n << " at " << pos;
            break;
        }
        for (int i = 0; i < n; ++i)
            mismatches += chunk[static_cast<size_t>(i)] != byte_at(pos + static_cast<size_t>(i));
        pos += static_cast<size_t>(n);
    }
    producer.join();
    EXPECT_EQ(mismatches, 0u);
    EXPECT_EQ(r->head.load(), total);
    EXPECT_EQ(r->tail.load(), total);
}

}  // namespace
