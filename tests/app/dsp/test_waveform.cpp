#include "waveform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using cf = std::complex<float>;

// Instantaneous frequency between samples n and n + 1, in Hz.
double frequencyBetween(const std::vector<cf>& s, std::size_t n, double fs)
{
    return std::arg(std::complex<double>(s[n + 1]) * std::conj(std::complex<double>(s[n]))) *
           fs / (2 * M_PI);
}

TEST(LfmPulseTrain, StandardTrainIsChirpThenSilenceInEveryInterval)
{
    const auto train = standardLfmPulseTrain();
    ASSERT_EQ(train.size(), 1048576u);
    for (int pulse = 0; pulse < 256; ++pulse) {
        const std::size_t base = std::size_t(pulse) * 4096;
        for (std::size_t i = 0; i < 4096; ++i) {
            const float mag = std::abs(train[base + i]);
            if (i < 256)
                ASSERT_NEAR(mag, 1.0f, 1e-5f) << "pulse " << pulse << " sample " << i;
            else
                ASSERT_EQ(mag, 0.0f) << "pulse " << pulse << " sample " << i;
        }
        // The phase restarts: every pulse is the same chirp.
        ASSERT_EQ(train[base + 17], train[17]);
        ASSERT_EQ(train[base + 255], train[255]);
    }
    EXPECT_EQ(train[0], cf(1, 0));
}

TEST(LfmPulseTrain, SweepsUpFromMinus10MHzBy78125HzPerSample)
{
    const double fs = 30.72e6;
    const auto train = standardLfmPulseTrain();
    for (std::size_t n = 0; n + 1 < 256; ++n)
        ASSERT_NEAR(frequencyBetween(train, n, fs), -10e6 + 78125.0 * (n + 0.5), 50.0)
            << "sample " << n;
}

TEST(LfmPulseTrain, ShapeForUnusualArguments)
{
    struct Case {
        double width, period;
        int count;
        std::size_t size;
        std::size_t chirpSamples;  // per pulse
    };
    const Case cases[] = {
        {8, 8, 3, 24, 8},      // width equal to the period: no padding
        {10, 8, 2, 20, 10},    // width above the period: no padding either
        {256, 4096, 0, 0, 0},  // no pulses
        {4.9, 7.9, 2, 14, 4},  // widths and periods truncate
        {0, 16, 2, 32, 0},     // no chirp, only silence
    };
    for (const auto& c : cases) {
        const auto t = generate_lfm_pulse_train(30.72e6, -1e7, 1e7, c.width, c.period, c.count);
        ASSERT_EQ(t.size(), c.size) << "width " << c.width;
        const std::size_t interval = c.count ? c.size / c.count : 0;
        for (std::size_t i = 0; i < t.size(); ++i)
            EXPECT_EQ(std::abs(t[i]) > 0.5f, i % interval < c.chirpSamples)
                << "width " << c.width << " sample " << i;
    }
    EXPECT_TRUE(generate_lfm_pulse_train(30.72e6, -1e7, 1e7, 256, 4096, -1).empty());
}

TEST(SingleChirp, LengthAndSweep)
{
    const float fs = 30.72e6f, duration = 10e-6f;
    const auto chirp = generateLFM(-5e6f, 10e6f, duration, fs);
    ASSERT_EQ(chirp.size(), std::size_t(duration * fs));
    EXPECT_NEAR(frequencyBetween(chirp, 0, fs), -5e6, 0.1e6);
    EXPECT_NEAR(frequencyBetween(chirp, chirp.size() - 2, fs), 5e6, 0.1e6);
    EXPECT_TRUE(generateLFM(0, 1e6f, 1e-9f, fs).empty());  // under one sample
    EXPECT_TRUE(generateLFM(0, 1e6f, 0, fs).empty());
}

TEST(SineWave, HundredKilohertzToneKeepsLength)
{
    std::vector<cf> buff(3000, cf(5, 5));
    fillSineWave(buff);
    ASSERT_EQ(buff.size(), 3000u);
    EXPECT_EQ(buff[0], cf(1, 0));
    for (std::size_t n = 0; n + 1 < buff.size(); n += 97)
        EXPECT_NEAR(frequencyBetween(buff, n, 30.72e6), 1e5, 50.0);
    std::vector<cf> empty;
    fillSineWave(empty);
    EXPECT_TRUE(empty.empty());
}

TEST(SilenceDetection, OnlyAllZeroBuffersAreSilent)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        std::vector<cf> buff;
        bool signal;
    };
    const Case cases[] = {
        {{}, false},
        {std::vector<cf>(4096), false},
        {{cf(-0.0f, 0.0f)}, false},
        {{cf(0, 0), cf(0, 1e-30f), cf(0, 0)}, true},
        {{cf(0, 0), cf(nan, 0)}, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(hasSignal(c.buff), c.signal) << "size " << c.buff.size();
}

TEST(CaptureUnpacking, TakesDataFieldOfEachChannelWithSignedHalves)
{
    using namespace capture;
    const int symbol = 2;
    QVector<unsigned int> words((symbol + 1) * kPointsPerSymbol * kChannels, 0xDEADBEEFu);
    // Mark the first and last data points of the symbol in every channel.
    const int first = symbol * kPointsPerSymbol + kDataOffset;
    const int last = first + kDataPerSymbol - 1;
    for (int ch = 0; ch < kChannels; ++ch) {
        words[first * kChannels + ch] = (0x7FFFu << 16) | std::uint16_t(-ch - 1);
        words[last * kChannels + ch] = (std::uint32_t(std::uint16_t(-32768)) << 16) | unsigned(ch);
    }
    QVector<QVector<double>> real(kChannels, QVector<double>(kSymbols * kDataPerSymbol));
    QVector<QVector<cf>> iq(kChannels, QVector<cf>(kSymbols * kDataPerSymbol));
    unpackCaptureSymbol(words, symbol, real, iq);

    const int out0 = symbol * kDataPerSymbol, out1 = out0 + kDataPerSymbol - 1;
    for (int ch = 0; ch < kChannels; ++ch) {
        EXPECT_DOUBLE_EQ(real[ch][out0], 1.0);
        EXPECT_EQ(iq[ch][out0], cf(32767, -ch - 1));
        EXPECT_DOUBLE_EQ(real[ch][out1], -32768 / 32767.0);
        EXPECT_EQ(iq[ch][out1], cf(-32768, ch));
        EXPECT_EQ(iq[ch][out0 - 1], cf(0, 0)) << "neighbouring symbol untouched";
        EXPECT_EQ(iq[ch][out1 + 1], cf(0, 0));
    }
}

TEST(CaptureUnpacking, RefusesArraysThatDoNotCoverTheSymbol)
{
    using namespace capture;
    QVector<QVector<double>> real(kChannels, QVector<double>(kDataPerSymbol));
    QVector<QVector<cf>> iq(kChannels, QVector<cf>(kDataPerSymbol));
    QVector<unsigned int> words(kPointsPerSymbol * kChannels);
    EXPECT_NO_THROW(unpackCaptureSymbol(words, 0, real, iq));
    EXPECT_THROW(unpackCaptureSymbol(words, 1, real, iq), std::invalid_argument);
    EXPECT_THROW(unpackCaptureSymbol(words, -1, real, iq), std::invalid_argument);
    QVector<unsigned int> shortWords((kDataOffset + kDataPerSymbol) * kChannels - 1);
    EXPECT_THROW(unpackCaptureSymbol(shortWords, 0, real, iq), std::invalid_argument);
}

}  // namespace
