#include "waveform.h"

#include <cmath>
#include <cstdint>
#include <stdexcept>

std::vector<std::complex<float>> generate_lfm_pulse_train(double fs, double startHz,
                                                          double stopHz, double pulseWidth,
                                                          double period, int pulseCount)
{
    const long n = std::max(0L, static_cast<long>(pulseWidth));
    const long p = std::max(0L, static_cast<long>(period));
    const long zeros = p > n ? p - n : 0;
    const double k = (stopHz - startHz) / pulseWidth;

    std::vector<std::complex<float>> train;
    if (pulseCount <= 0)
        return train;
    train.reserve(static_cast<std::size_t>(pulseCount) * static_cast<std::size_t>(n + zeros));

    // Every pulse is the same chirp, so it is computed once.
    std::vector<std::complex<float>> pulse(static_cast<std::size_t>(n));
    for (long i = 0; i < n; ++i) {
        const double t = static_cast<double>(i);
        const double phase = 2.0 * M_PI * (startHz * t / fs + 0.5 * k * t * t / fs);
        pulse[i] = {static_cast<float>(std::cos(phase)), static_cast<float>(std::sin(phase))};
    }
    for (int c = 0; c < pulseCount; ++c) {
        train.insert(train.end(), pulse.begin(), pulse.end());
        train.resize(train.size() + static_cast<std::size_t>(zeros));
    }
    return train;
}

std::vector<std::complex<float>> standardLfmPulseTrain()
{
    return generate_lfm_pulse_train(waveform::kSampleRate, waveform::kStartFrequency,
                                    waveform::kStopFrequency, waveform::kPulseWidth,
                                    waveform::kPulsePeriod, waveform::kPulseCount);
}

std::vector<std::complex<float>> generateLFM(float startHz, float bandwidthHz, float durationS,
                                             float fs)
{
    std::vector<std::complex<float>> chirp;
    const float samples = durationS * fs;
    if (!(samples >= 1.0f))
        return chirp;
    const long n = static_cast<long>(samples);
    const float k = bandwidthHz / durationS;
    const float twoPi = 2.0f * static_cast<float>(M_PI);
    chirp.reserve(static_cast<std::size_t>(n));
    for (long i = 0; i < n; ++i) {
        const float t = static_cast<float>(i) / fs;
        const float phase = twoPi * (startHz * t + 0.5f * k * t * t);
        chirp.emplace_back(std::cos(phase), std::sin(phase));
    }
    return chirp;
}

void fillSineWave(std::vector<std::complex<float>>& buff)
{
    for (std::size_t i = 0; i < buff.size(); ++i) {
        const float angle = static_cast<float>(2.0 * M_PI * waveform::kSineFrequency *
                                               static_cast<double>(i) / waveform::kSampleRate);
        buff[i] = {std::cos(angle), std::sin(angle)};
    }
}

bool hasSignal(const std::vector<std::complex<float>>& buff)
{
    for (const auto& s : buff)
        if (s.real() != 0.0f || s.imag() != 0.0f)
            return true;
    return false;
}

void unpackCaptureSymbol(const QVector<unsigned int>& words, int symbol,
                         QVector<QVector<double> >& channelReal,
                         QVector<QVector<std::complex<float> > >& channelIq)
{
    using namespace capture;
    if (symbol < 0)
        throw std::invalid_argument("symbol out of range");
    const long long firstPoint =
        static_cast<long long>(symbol) * kPointsPerSymbol + kDataOffset;
    const long long lastWord = (firstPoint + kDataPerSymbol) * kChannels - 1;
    const int firstOut = symbol * kDataPerSymbol;
    if (lastWord >= words.size() || channelReal.size() < kChannels ||
        channelIq.size() < kChannels)
        throw std::invalid_argument("capture arrays too small for the symbol");
    for (int ch = 0; ch < kChannels; ++ch)
        if (channelReal[ch].size() < firstOut + kDataPerSymbol ||
            channelIq[ch].size() < firstOut + kDataPerSymbol)
            throw std::invalid_argument("capture arrays too small for the symbol");

    const unsigned int* w = words.constData() + firstPoint * kChannels;
    for (int ch = 0; ch < kChannels; ++ch) {
        double* re = channelReal[ch].data() + firstOut;
        std::complex<float>* iq = channelIq[ch].data() + firstOut;
        for (int i = 0; i < kDataPerSymbol; ++i) {
            const unsigned int word = w[i * kChannels + ch];
            const auto I = static_cast<std::int16_t>(word >> 16);
            const auto Q = static_cast<std::int16_t>(word & 0xFFFFu);
            re[i] = I / 32767.0;
            iq[i] = {static_cast<float>(I), static_cast<float>(Q)};
        }
    }
}
