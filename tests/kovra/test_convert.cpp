#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "kovra_api.h"
#include "stream_rows.h"

namespace {

TEST(Convert, ToInt16ClampsAndRoundsHalfToEven)
{
    struct Case {
        float in;
        int16_t out;
    } cases[] = {{1.0f, 32767},  {-1.0f, -32767}, {2.0f, 32767},   {-2.0f, -32768},
                 {0.5f, 16384},  {0.0f, 0},       {-0.5f, -16384}, {1.5f / 32767.0f, 2},
                 {2.5f / 32767.0f, 2}};
    for (const Case& c : cases) {
        int16_t out = 0;
        to_int16(&out, &c.in, 1, 32767.0f);
        EXPECT_EQ(out, c.out) << c.in;
    }
}

TEST(Convert, ToFloatScales)
{
    const int16_t in[4] = {0, 1, -32768, 32767};
    float out[4];
    to_float(out, in, 4, 0.5f);
    EXPECT_EQ(out[0], 0.0f);
    EXPECT_EQ(out[1], 0.5f);
    EXPECT_EQ(out[2], -16384.0f);
    EXPECT_EQ(out[3], 16383.5f);
}

std::vector<float> awkward_floats(size_t n)
{
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> wide(-1.5f, 1.5f);
    std::vector<float> v(n);
    for (auto& x : v)
        x = wide(rng);
    // Exact halves, the clamp edges, and values that are not numbers.
    const float specials[] = {0.5f / 32767.0f, 1.5f / 32767.0f, -2.5f / 32767.0f, 1.0f, -1.0f, 1.0000001f,
                              -1.0000001f, 0.0f, -0.0f, std::numeric_limits<float>::infinity(),
                              -std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN(),
                              1e30f, -1e30f, 16383.5f / 32767.0f};
    for (size_t i = 0; i < sizeof specials / sizeof specials[0] && i < n; ++i)
        v[i * 7 % n] = specials[i];
    return v;
}

// Lengths that leave every possible tail after the vector blocks.
TEST(Convert, VectorFormsEqualTheScalarOnesExactly)
{
    for (size_t samples : {0u, 1u, 7u, 8u, 9u, 4096u, 4099u}) {
        std::vector<float> in = awkward_floats(2 * samples + 1);
        std::vector<int16_t> a(2 * samples), b(2 * samples);
        to_int16(a.data(), in.data(), 2 * samples, 32767.0f);
        to_int16_avx2(b.data(), in.data(), samples);
        EXPECT_EQ(a, b) << samples;

        std::vector<int16_t> s(2 * samples);
        for (size_t i = 0; i < s.size(); ++i)
            s[i] = static_cast<int16_t>(i * 40503u);
        std::vector<float> fa(2 * samples), fb(2 * samples);
        to_float(fa.data(), s.data(), s.size(), 1.0f);
        to_float_avx2(fb.data(), s.data(), samples);
        EXPECT_TRUE(std::equal(fa.begin(), fa.end(), fb.begin(),
                               [](float x, float y) { return std::memcmp(&x, &y, sizeof x) == 0; }))
            << samples;
    }
}

int16_t cf32_sent_as(float v)
{
    const void* by_slot[8] = {};
    float pair[2] = {v, 0.0f};
    by_slot[0] = pair;
    uint8_t row[32];
    _rows_pack_scalar(row, by_slot, 1, 1);
    int16_t i;
    std::memcpy(&i, row, 2);
    return i;
}

TEST(Convert, Cf32TransmitClampsScalesAndTruncates)
{
    const std::pair<float, int16_t> cases[] = {{1.5f, 32767}, {-1.0f, -32767}, {0.5f, 16383},
                                               {-0.5f, -16383}, {1e-6f, 0}, {-2.0f, -32767}};
    for (auto [in, out] : cases)
        EXPECT_EQ(cf32_sent_as(in), out) << in;
}

// The vector row packer and unpacker give the scalar bytes for all inputs,
// including missing channels and block tails.
TEST(Convert, RowPackingVectorEqualsScalar)
{
    for (int cf32 : {0, 1}) {
        for (size_t n : {1u, 8u, 13u, 4096u}) {
            std::vector<std::vector<float>> fch(8);
            std::vector<std::vector<int16_t>> sch(8);
            const void* by_slot[8];
            for (int c = 0; c < 8; ++c) {
                fch[c] = awkward_floats(2 * n + 16);
                sch[c].resize(2 * n);
                for (size_t i = 0; i < sch[c].size(); ++i)
                    sch[c][i] = static_cast<int16_t>((i + 1) * (c + 3) * 2654435761u >> 7);
                by_slot[c] = c == 5 ? nullptr : cf32 ? static_cast<const void*>(fch[c].data()) : sch[c].data();
            }
            std::vector<uint8_t> a(32 * n, 1), b(32 * n, 2);
            _rows_pack_scalar(a.data(), by_slot, n, cf32);
            _rows_pack(b.data(), by_slot, n, cf32);
            EXPECT_EQ(a, b) << "cf32=" << cf32 << " n=" << n;

            if (!cf32) {
                std::vector<std::vector<int16_t>> outa(8, std::vector<int16_t>(2 * n)), outb = outa;
                void* pa[8];
                void* pb[8];
                for (int c = 0; c < 8; ++c) {
                    pa[c] = c == 2 ? nullptr : outa[c].data();
                    pb[c] = c == 2 ? nullptr : outb[c].data();
                }
                _rows_unpack_scalar(pa, a.data(), n, 0);
                _rows_unpack(pb, a.data(), n, 0);
                EXPECT_EQ(outa, outb);
                EXPECT_EQ(outa[0], sch[0]) << "unpack inverts pack";
            }
        }
    }
}

}  // namespace
