#include "or_math.h"
#include "rd_result.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using cf = std::complex<float>;
using Matrix = std::vector<std::vector<cf>>;

TEST(PulseCanceller, SubtractsEachPulseFromTheNextAndZeroesTheLast)
{
    const Matrix m{{{1, 1}, {2, 0}}, {{4, 1}, {2, 5}}, {{4, 1}, {-1, 0}}};
    const Matrix out = singlePulseMTI(m);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0][0], cf(3, 0));
    EXPECT_EQ(out[0][1], cf(0, 5));
    EXPECT_EQ(out[1][0], cf(0, 0));  // a stationary echo cancels
    EXPECT_EQ(out[1][1], cf(-3, -5));
    EXPECT_EQ(out[2][0], cf(0, 0));
    EXPECT_EQ(out[2][1], cf(0, 0));
}

TEST(PulseCanceller, TwoPulses)
{
    const Matrix out = singlePulseMTI({{cf(2, 3)}, {cf(5, -1)}});
    EXPECT_EQ(out, (Matrix{{cf(3, -4)}, {cf(0, 0)}}));
}

TEST(PulseCanceller, NeedsTwoPulses)
{
    for (const Matrix& m : {Matrix{}, Matrix{{cf(1, 0)}}}) {
        try {
            singlePulseMTI(m);
            FAIL() << m.size() << " rows accepted";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "Error: Need at least two pulses for MTI.");
        }
    }
}

TEST(PeakSearch, FindsLargestMagnitudeAndPrefersTheEarliestTie)
{
    struct Case {
        std::vector<cf> v;
        int expected;
    };
    const Case cases[] = {
        {{cf(1, 0)}, 0},
        {{cf(0, 1), cf(0, -3), cf(2, 0)}, 1},
        {{cf(3, 4), cf(0, 5), cf(-5, 0)}, 0},  // equal magnitudes
        {{cf(0, 0), cf(0, 0), cf(0, 0)}, 0},
        {{cf(1, 0), cf(0, 0), cf(0, 0), cf(0, 2)}, 3},
    };
    for (const auto& c : cases)
        EXPECT_EQ(findMaxIndexInVector(c.v), c.expected);
    try {
        findMaxIndexInVector({});
        FAIL() << "empty vector accepted";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Input vector is empty!");
    }
}

TEST(Decibels, TwentyLogTen)
{
    const std::pair<double, double> cases[] = {{1, 0}, {10, 20}, {0.1, -20}, {2, 6.0206}};
    for (const auto& [x, db] : cases)
        EXPECT_NEAR(amplitude_to_db(x), db, 1e-4) << x;
    EXPECT_EQ(amplitude_to_db(0), -std::numeric_limits<double>::infinity());
}

TEST(LeadingSamples, TruncatesOrZeroExtends)
{
    const std::vector<cf> v{cf(1, 1), cf(2, 2), cf(3, 3)};
    EXPECT_EQ(leadingSamples(v, 2), (std::vector<cf>{cf(1, 1), cf(2, 2)}));
    EXPECT_EQ(leadingSamples(v, 5), (std::vector<cf>{cf(1, 1), cf(2, 2), cf(3, 3), cf(), cf()}));
    EXPECT_EQ(leadingSamples({}, 2), (std::vector<cf>{cf(), cf()}));
}

TEST(RangeDopplerRecord, DefaultsTo128By256Zeros)
{
    struct Case {
        RDResult r;
        int rows, cols;
    };
    const Case cases[] = {{RDResult(), 128, 256}, {RDResult(3, 5), 3, 5}, {RDResult(0, 4), 0, 4}};
    for (const auto& c : cases) {
        for (const auto* m : {&c.r.rawEcho, &c.r.compressedEcho, &c.r.rdMap}) {
            ASSERT_EQ(m->size(), c.rows);
            for (const auto& row : *m) {
                ASSERT_EQ(row.size(), c.cols);
                for (double v : row)
                    EXPECT_EQ(v, 0.0);
            }
        }
        EXPECT_EQ(c.r.pulseAxis, QVector<double>(c.cols, 0.0));
        EXPECT_EQ(c.r.rangeAxis, QVector<double>(c.rows, 0.0));
    }
    EXPECT_EQ(RDResult::make2dVector(2, 3), QVector<QVector<double>>(2, QVector<double>(3, 0.0)));
}

TEST(RangeDopplerRecord, CopiesAreIndependentValues)
{
    RDResult a(4, 4);
    RDResult b = a;
    b.rdMap[1][2] = 7.0;
    b.pulseAxis[0] = 3.0;
    EXPECT_EQ(a.rdMap[1][2], 0.0);
    EXPECT_EQ(a.pulseAxis[0], 0.0);
    a = b;
    EXPECT_EQ(a.rdMap[1][2], 7.0);
    EXPECT_EQ(a.rdMap[2][2], 0.0);  // rows built from one shared row stay apart
}

}  // namespace
