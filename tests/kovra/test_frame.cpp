#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "frame.h"
#include "stream_rows.h"
#include "test_support.h"

namespace {

std::vector<uint8_t> codebook()
{
    std::vector<uint8_t> cb(KOVRA_CODEBOOK_SIZE);
    _default_codebook(cb.data());
    return cb;
}

bool all_equal(const uint8_t* p, size_t n, uint8_t v)
{
    for (size_t i = 0; i < n; ++i)
        if (p[i] != v)
            return false;
    return true;
}

TEST(Frame, TemplateLayout)
{
    std::vector<uint8_t> f(KOVRA_FRAME_SIZE, 0x33);
    _init_frame_template(f.data(), nullptr);
    struct Region {
        size_t offset, length;
        uint8_t value;
    } regions[] = {{0, 128, 0x5A},       {128, 384, 0},         {512, 512, 0},        {1024, 27136, 0},
                   {28288, 131072, 0},   {159360, 512, 0},      {159872, 128, 0xA5}};
    for (const Region& r : regions)
        EXPECT_TRUE(all_equal(f.data() + r.offset, r.length, r.value)) << "region at " << r.offset;
    const uint8_t marker[4] = {0x60, 0x60, 0x60, 0xFE};
    for (int w = 0; w < 32; ++w)
        EXPECT_EQ(0, std::memcmp(f.data() + 28160 + 4 * w, marker, 4)) << "marker word " << w;
    EXPECT_TRUE(_frame_accepted(f.data()));
}

TEST(Frame, DefaultCodebookHasItsFirst410BitsSet)
{
    std::vector<uint8_t> cb = codebook();
    EXPECT_TRUE(all_equal(cb.data(), 51, 0xFF));
    EXPECT_EQ(cb[51], 0xC0);
    EXPECT_TRUE(all_equal(cb.data() + 52, 460, 0));

    std::vector<uint8_t> f(KOVRA_FRAME_SIZE);
    _init_frame_template(f.data(), cb.data());
    EXPECT_EQ(0, std::memcmp(f.data() + 512, cb.data(), 512));
    EXPECT_TRUE(all_equal(f.data() + 128, 384, 0));
}

TEST(Frame, PopcountLooksAtTheLowEightBitsOnly)
{
    const std::pair<uint32_t, int> cases[] = {{0, 0}, {0x81, 2}, {0xFF, 8}, {0x1FF, 8}, {0xF00, 0}};
    for (auto [mask, n] : cases)
        EXPECT_EQ(_popcount_mask(mask), n) << mask;
}

TEST(Frame, AcceptanceLooksAtTheFirstByteAndTheTrailerCheckByte)
{
    std::vector<uint8_t> f(KOVRA_FRAME_SIZE);
    _init_frame_template(f.data(), nullptr);
    f[KOVRA_TRAILER_CHECK_OFFSET] = 0x00;
    EXPECT_FALSE(_frame_accepted(f.data())) << "header intact, trailer byte wrong";
    f[KOVRA_TRAILER_CHECK_OFFSET] = 0xA5;
    f[0] = 0x00;
    EXPECT_FALSE(_frame_accepted(f.data()));
}

TEST(Frame, FindsTheFirstRunOf128HeaderBytes)
{
    struct Case {
        std::vector<std::pair<size_t, size_t>> runs;  // (start, length) of 0x5A runs
        size_t len;
        long expected;
    } cases[] = {
        {{{0, 128}}, 300, 0},
        {{{100, 128}}, 300, 100},
        {{{10, 127}, {200, 128}}, 400, 200},   // one byte short, then a full run
        {{{10, 127}}, 400, -1},
        {{{172, 128}}, 300, 172},              // run ends exactly at the end
        {{{173, 127}}, 300, -1},               // cut by the end
        {{{0, 500}}, 500, 0},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> b(c.len, 0x11);
        for (auto [s, n] : c.runs)
            std::memset(b.data() + s, 0x5A, n);
        EXPECT_EQ(_find_frame_start(b.data(), b.size()), c.expected);
    }
}

TEST(Frame, StreamingRowCarriesIThenQLittleEndian)
{
    std::vector<uint8_t> rows(32 * 16, 0x77);
    std::vector<int16_t> ch0(32, 0);
    ch0[0] = 1;
    ch0[1] = -1;
    const void* by_slot[8] = {ch0.data()};
    _rows_pack(rows.data(), by_slot, 16, 0);
    const uint8_t expected[4] = {0x01, 0x00, 0xFF, 0xFF};
    EXPECT_EQ(0, std::memcmp(rows.data(), expected, 4));
    EXPECT_TRUE(all_equal(rows.data() + 4, 28, 0)) << "channels without a buffer are zero";
}

// Direct packing: the j-th enabled channel in slot j, Q before I.
TEST(Frame, DirectPackingWithChannels0And7)
{
    std::vector<int16_t> ch0(2 * 4096), ch7(2 * 4096);
    for (int i = 0; i < 4096; ++i) {
        ch0[2 * i] = static_cast<int16_t>(i);        // I
        ch0[2 * i + 1] = static_cast<int16_t>(-i);   // Q
        ch7[2 * i] = static_cast<int16_t>(1000 + i);
        ch7[2 * i + 1] = static_cast<int16_t>(-1000 - i);
    }
    const int16_t* ip[8] = {ch0.data(), ch7.data()};
    const int16_t* qp[8] = {ch0.data() + 1, ch7.data() + 1};
    std::vector<uint8_t> f(KOVRA_FRAME_SIZE);
    size_t size = 0;
    ASSERT_EQ(__assemble_tx_frame(f.data(), ip, qp, 2, &size), 0);
    EXPECT_EQ(size, 160000u);
    for (int row : {0, 1, 4095}) {
        const uint8_t* r = f.data() + KOVRA_PAYLOAD_OFFSET + 32 * row;
        int16_t v[4];
        std::memcpy(v, r, 8);
        EXPECT_EQ(v[0], -row) << "slot 0: Q of channel 0";
        EXPECT_EQ(v[1], row) << "slot 0: I of channel 0";
        EXPECT_EQ(v[2], -1000 - row) << "slot 1: Q of channel 7";
        EXPECT_EQ(v[3], 1000 + row) << "slot 1: I of channel 7";
        EXPECT_TRUE(all_equal(r + 8, 24, 0)) << "slots 2-7 stay zero";
    }
    EXPECT_TRUE(_frame_accepted(f.data()));
}

TEST(Frame, DirectUnpackingReadsRow880InterleavedByEnabledChannel)
{
    // Two enabled channels (mask bits 0 and 7): channel 7 is the second word.
    const int n = 2;
    std::vector<uint32_t> words(static_cast<size_t>(n) * KOVRA_FRAME_SIZE / 4, 0);
    for (uint32_t j = 0; j < 4; ++j) {
        words[(880 + j) * n + 0] = kt::iq_word(static_cast<int16_t>(j + 1), static_cast<int16_t>(-(int)j - 1));
        words[(880 + j) * n + 1] = kt::iq_word(32767, -32768);
    }
    std::vector<int16_t> raw0(8), raw7(8);
    void* outs[8] = {raw0.data(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, raw7.data()};
    size_t size = 99;
    ASSERT_EQ(__disassemble_rx_frame(0, outs, words.data(), 4, 0x81, n, &size), 0);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(raw0, (std::vector<int16_t>{1, -1, 2, -2, 3, -3, 4, -4}));
    EXPECT_EQ(raw7[0], 32767);
    EXPECT_EQ(raw7[1], -32768);

    std::vector<float> f7(8);
    void* fouts[8] = {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, f7.data()};
    __disassemble_rx_frame(1, fouts, words.data(), 4, 0x81, n, nullptr);
    EXPECT_FLOAT_EQ(f7[0], 1.0f);
    EXPECT_FLOAT_EQ(f7[1], -32768 * 3.0518509e-05f);
}

}  // namespace
