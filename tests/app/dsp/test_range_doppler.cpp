#include "noise.h"
#include "or_math.h"
#include "range_doppler.h"
#include "waveform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <ostream>
#include <string>
#include <type_traits>

static_assert(!std::is_copy_constructible_v<RangeDopplerProcessor> &&
                  std::is_move_constructible_v<RangeDopplerProcessor>,
              "the processor owns FFTW plans");

namespace {

using cf = std::complex<float>;
using Block = std::vector<cf>;

constexpr double kFs = 30.72e6;
constexpr int kInterval = 4096;

const Block& train()
{
    static const Block t = standardLfmPulseTrain();
    return t;
}

const RangeDopplerReferences& references()
{
    static const RangeDopplerReferences r = prepareRangeDopplerReferences(train());
    return r;
}

// The train as received d samples later; nothing arrives before it.
Block delayed(const Block& s, int d)
{
    Block out(s.size());
    std::copy(s.begin(), s.end() - d, out.begin() + d);
    return out;
}

// The direct path (stationary) plus a point target at range delay `delay`
// whose echo turns by 2 pi fd T per pulse repetition interval T.
Block movingTargetScene(int delay, double fd, float amplitude)
{
    Block x = train();
    const double perPulse = 2 * M_PI * fd * kInterval / kFs;
    for (std::size_t i = delay; i < x.size(); ++i) {
        const std::size_t src = i - delay;
        const int pulse = int(src / kInterval);
        x[i] += amplitude * train()[src] * std::polar(1.0f, float(perPulse * pulse));
    }
    addGaussianNoise(x, 0.01f);
    return x;
}

struct Cell {
    int range, doppler;
    double db;
};

Cell strongestCell(const RDResult& r)
{
    Cell best{0, 0, -INFINITY};
    for (int c = 0; c < r.rdMap.size(); ++c)
        for (int k = 0; k < r.rdMap[c].size(); ++k)
            if (r.rdMap[c][k] > best.db)
                best = {c, k, r.rdMap[c][k]};
    return best;
}

class RangeDoppler : public ::testing::Test {
protected:
    static void SetUpTestSuite() { processor_ = std::make_unique<RangeDopplerProcessor>(); }
    static void TearDownTestSuite() { processor_.reset(); }
    static RangeDopplerProcessor& processor() { return *processor_; }

private:
    static std::unique_ptr<RangeDopplerProcessor> processor_;
};
std::unique_ptr<RangeDopplerProcessor> RangeDoppler::processor_;

TEST_F(RangeDoppler, DelayedTrainGivesItsDelayAsSynchronisationIndex)
{
    for (int d : {0, 1, 37, 1000, 2049, 3968}) {
        const RDResult r = processor().process(delayed(train(), d), references());
        EXPECT_EQ(processor().lastSyncIndex(), d);
        // Aligned windows start on the chirp: unit raw magnitude, compressed peak in bin 0.
        for (int l : {0, 100, 255}) {
            EXPECT_NEAR(r.rawEcho[0][l], 1.0, 1e-5) << "delay " << d << " pulse " << l;
            EXPECT_NEAR(r.rawEcho[127][l], 1.0, 1e-5) << "delay " << d << " pulse " << l;
            EXPECT_NEAR(r.compressedEcho[0][l], 128.0, 1e-2) << "delay " << d << " pulse " << l;
        }
    }
}

TEST_F(RangeDoppler, LateSynchronisationNeverReadsPastTheBlock)
{
    // The last chirp starts 96 samples before the end of the block; the rest
    // of its range window lies beyond it and counts as zero.
    const Block x = delayed(train(), 4000);
    const RDResult r = processor().process(x, references());
    ASSERT_EQ(processor().lastSyncIndex(), 4000);
    for (int c = 0; c < 128; ++c) {
        EXPECT_NEAR(r.rawEcho[c][254], 1.0, 1e-5) << "range sample " << c;
        if (c < 96)
            EXPECT_NEAR(r.rawEcho[c][255], 1.0, 1e-5) << "range sample " << c;
        else
            EXPECT_EQ(r.rawEcho[c][255], 0.0) << "range sample " << c;
    }
    int p = -1;
    const RDResult slow = computeRDDataPerCallPlanning(x, references(), &p);
    EXPECT_EQ(p, 4000);
    for (int c = 96; c < 128; ++c)
        EXPECT_EQ(slow.rawEcho[c][255], 0.0) << "range sample " << c;
}

TEST_F(RangeDoppler, ShortBlockCountsMissingSamplesAsZero)
{
    Block x(train().begin(), train().begin() + 5000);
    const RDResult r = processor().process(x, references());
    EXPECT_EQ(processor().lastSyncIndex(), 0);
    for (int c = 0; c < 128; ++c) {
        EXPECT_NEAR(r.rawEcho[c][1], 1.0, 1e-5);
        EXPECT_EQ(r.rawEcho[c][2], 0.0);
    }
    const RDResult empty = processor().process({}, references());
    EXPECT_EQ(processor().lastSyncIndex(), 0);
    EXPECT_EQ(empty.rawEcho, RDResult().rawEcho);
}

TEST_F(RangeDoppler, LoopbackAlignsAtZeroAndCancelsInTheCanceller)
{
    Block x = train();
    addGaussianNoise(x, 0.01f);
    const RDResult r = processor().process(x, references());
    EXPECT_EQ(processor().lastSyncIndex(), 0);
    for (int c = 0; c < 128; ++c)
        for (int l = 0; l < 256; ++l)
            ASSERT_NEAR(r.rawEcho[c][l], 1.0, 0.06) << c << "," << l;
    // Identical pulses cancel: what remains is noise, about 90 dB down; an
    // uncancelled return of the direct path would stand near -13 dB.
    EXPECT_LT(strongestCell(r).db, -60.0);
    EXPECT_GT(strongestCell(r).db, -120.0);
}

struct TargetCase {
    int delay;
    double fd;
    int dopplerRow;
};

void PrintTo(const TargetCase& c, std::ostream* os)
{
    *os << "range bin " << c.delay << ", " << c.fd << " Hz";
}

class MovingTarget : public RangeDoppler, public ::testing::WithParamInterface<TargetCase> {};

TEST_P(MovingTarget, StrongestCellAtItsRangeAndDoppler)
{
    const auto& tc = GetParam();
    const RDResult r = processor().process(movingTargetScene(tc.delay, tc.fd, 0.5f), references());
    EXPECT_EQ(processor().lastSyncIndex(), 0) << "the direct path leads";
    const Cell cell = strongestCell(r);
    EXPECT_EQ(cell.range, tc.delay);
    EXPECT_EQ(cell.doppler, tc.dopplerRow);
    EXPECT_GT(cell.db, -60.0);
}

// Row 128 + fd * 256 / 7500: zero Doppler sits in row 128.
INSTANTIATE_TEST_SUITE_P(Targets, MovingTarget,
                         ::testing::Values(TargetCase{37, 937.5, 160}, TargetCase{40, 937.5, 160},
                                           TargetCase{20, -1875.0, 64},
                                           TargetCase{90, 2812.5, 224},
                                           TargetCase{5, -3281.25, 16}),
                         [](const ::testing::TestParamInfo<TargetCase>& info) {
                             return "Range" + std::to_string(info.param.delay) + "Row" +
                                    std::to_string(info.param.dopplerRow);
                         });

TEST_F(RangeDoppler, AgreesWithTheChainPlannedPerCall)
{
    const Block x = movingTargetScene(40, 937.5, 0.5f);
    const RDResult fast = processor().process(x, references());
    int p = -1;
    const RDResult slow = computeRDDataPerCallPlanning(x, references(), &p);
    EXPECT_EQ(p, processor().lastSyncIndex());
    EXPECT_EQ(fast.pulseAxis, slow.pulseAxis);
    EXPECT_EQ(fast.rangeAxis, slow.rangeAxis);
    EXPECT_EQ(fast.pulseAxis[255], 255.0);
    EXPECT_EQ(fast.rangeAxis[127], 127.0);

    const double peak = strongestCell(slow).db;
    for (int c = 0; c < 128; ++c)
        for (int l = 0; l < 256; ++l) {
            ASSERT_NEAR(fast.rawEcho[c][l], slow.rawEcho[c][l], 1e-6 * (1 + slow.rawEcho[c][l]));
            ASSERT_NEAR(fast.compressedEcho[c][l], slow.compressedEcho[c][l],
                        1e-4 * (1 + slow.compressedEcho[c][l]));
            if (slow.rdMap[c][l] > peak - 40) {  // 1e-3 dB is about 1e-4 in amplitude
                ASSERT_NEAR(fast.rdMap[c][l], slow.rdMap[c][l], 1e-3) << c << "," << l;
            }
        }
}

TEST_F(RangeDoppler, BeforeAnyTransmissionEverythingIsSilent)
{
    const RangeDopplerReferences none;
    ASSERT_EQ(none.firstPulse.size(), 4096u);
    ASSERT_EQ(none.refSpectrum4096.size(), 4096u);
    ASSERT_EQ(none.refSpectrum128.size(), 4096u);
    const RDResult r = processor().process(train(), none);
    EXPECT_EQ(processor().lastSyncIndex(), 0);
    for (int c = 0; c < 128; ++c)
        for (int k = 0; k < 256; ++k) {
            ASSERT_EQ(r.compressedEcho[c][k], 0.0);
            ASSERT_EQ(r.rdMap[c][k], -INFINITY);
        }
}

TEST_F(RangeDoppler, RefusesReferencesTooShortToFilterWith)
{
    RangeDopplerReferences refs = references();
    refs.refSpectrum128.resize(127);
    EXPECT_THROW(processor().process(train(), refs), std::invalid_argument);
    EXPECT_THROW(computeRDDataPerCallPlanning(train(), refs), std::invalid_argument);
    refs = references();
    refs.refSpectrum4096.resize(4095);
    EXPECT_THROW(processor().process(train(), refs), std::invalid_argument);
}

TEST(RangeDopplerReferencesTest, MatchedFilterPeaksAtTheChirpEnergy)
{
    const auto& refs = references();
    ASSERT_EQ(refs.firstPulse.size(), 4096u);
    ASSERT_EQ(refs.refSpectrum4096.size(), 4096u);
    ASSERT_EQ(refs.refSpectrum128.size(), 128u);
    EXPECT_EQ(refs.firstPulse, Block(train().begin(), train().begin() + 4096));
    // Sum over the spectrum of |X|^2 = N * energy: 4096 * 256 and 128 * 128.
    double e4096 = 0, e128 = 0;
    for (const auto& v : refs.refSpectrum4096)
        e4096 += std::norm(v);
    for (const auto& v : refs.refSpectrum128)
        e128 += std::norm(v);
    EXPECT_NEAR(e4096 / (4096.0 * 256), 1.0, 1e-4);
    EXPECT_NEAR(e128 / (128.0 * 128), 1.0, 1e-4);
}

TEST(RangeDopplerReferencesTest, ShortTransmitBufferIsZeroExtended)
{
    const Block shortTx(train().begin(), train().begin() + 100);
    const RangeDopplerReferences refs = prepareRangeDopplerReferences(shortTx);
    const RangeDopplerReferences padded = prepareRangeDopplerReferences(leadingSamples(shortTx, 4096));
    EXPECT_EQ(refs.firstPulse, padded.firstPulse);
    EXPECT_EQ(refs.refSpectrum4096, padded.refSpectrum4096);
    EXPECT_EQ(refs.refSpectrum128, padded.refSpectrum128);
    EXPECT_EQ(refs.firstPulse[99], train()[99]);
    EXPECT_EQ(refs.firstPulse[100], cf(0, 0));
    EXPECT_EQ(prepareRangeDopplerReferences({}).refSpectrum128, Block(128));
}

TEST(RangeDopplerProcessorTest, MovedProcessorKeepsWorking)
{
    RangeDopplerProcessor a;
    RangeDopplerProcessor b(std::move(a));
    b.process(delayed(train(), 37), references());
    EXPECT_EQ(b.lastSyncIndex(), 37);
    EXPECT_THROW(a.process(train(), references()), std::logic_error);
    a = std::move(b);
    a.process(delayed(train(), 12), references());
    EXPECT_EQ(a.lastSyncIndex(), 12);
}

}  // namespace
