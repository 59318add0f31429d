#pragma once
// Transmit waveforms (LFM pulse train, single chirp, sine) and the unpacking
// of eight-channel capture words. Pure functions over plain containers.

#include <QVector>

#include <complex>
#include <vector>

namespace waveform {
constexpr double kSampleRate = 30.72e6;   // Hz
constexpr double kStartFrequency = -1e7;  // Hz
constexpr double kStopFrequency = 1e7;    // Hz
constexpr int kPulseWidth = 256;          // samples
constexpr int kPulsePeriod = 4096;        // samples
constexpr int kPulseCount = 256;
constexpr double kSineFrequency = 100000.0;  // Hz
}  // namespace waveform

// pulseCount pulses, each floor(pulseWidth) chirp samples from startHz sweeping
// at (stopHz - startHz) / pulseWidth per sample, then zeros up to floor(period)
// (none when the period is not longer than the pulse). The phase restarts in
// every pulse. Non-positive counts or widths give no samples of that kind.
std::vector<std::complex<float>> generate_lfm_pulse_train(double fs, double startHz,
                                                          double stopHz, double pulseWidth,
                                                          double period, int pulseCount);

// The train the operator transmits: 256 chirps of 256 samples from -10 MHz to
// +10 MHz every 4096 samples at 30.72 MHz, 1,048,576 samples.
std::vector<std::complex<float>> standardLfmPulseTrain();

// One chirp of floor(duration * fs) samples, single precision throughout.
std::vector<std::complex<float>> generateLFM(float startHz, float bandwidthHz, float durationS,
                                             float fs);

// Overwrites every sample with the unit 100 kHz tone at 30.72 MHz; keeps the length.
void fillSineWave(std::vector<std::complex<float>>& buff);

// False when the buffer is empty or every part of every sample is exactly 0
// (a NaN part counts as a signal).
bool hasSignal(const std::vector<std::complex<float>>& buff);

// Capture words: 8 interleaved channels (word = point * 8 + channel), symbols
// of 5000 points whose data field is points 884 to 4979; each word carries I
// in bits 31-16 and Q in bits 15-0 as signed 16-bit values.
namespace capture {
constexpr int kChannels = 8;
constexpr int kPointsPerSymbol = 5000;
constexpr int kDataOffset = 884;
constexpr int kDataPerSymbol = 4096;
constexpr int kSymbols = 450;
}  // namespace capture

// Unpacks the data field of one symbol into channelReal[ch][symbol * 4096 + i]
// = I / 32767 and channelIq[ch][...] = (I, Q) unscaled. Throws
// std::invalid_argument when the symbol or the arrays do not cover the field.
void unpackCaptureSymbol(const QVector<unsigned int>& words, int symbol,
                         QVector<QVector<double> >& channelReal,
                         QVector<QVector<std::complex<float> > >& channelIq);
