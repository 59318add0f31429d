#include "range_doppler.h"

#include "fftwf_wrapper.h"
#include "or_math.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <stdexcept>

using namespace rangedoppler;
using cf = std::complex<float>;

namespace {

constexpr int kWindowSamples = kPulses * kRangeBins;

void requireReferences(const RangeDopplerReferences& refs)
{
    if (refs.refSpectrum4096.size() < static_cast<std::size_t>(kPulseInterval) ||
        refs.refSpectrum128.size() < static_cast<std::size_t>(kRangeBins))
        throw std::invalid_argument("range-Doppler references too short");
}

cf sampleAt(const std::vector<cf>& block, std::size_t index)
{
    return index < block.size() ? block[index] : cf{};
}

// Copies one pulse-major matrix into a result matrix indexed [range][pulse].
void storeMagnitudes(const ComplexMatrix& m, QVector<QVector<double> >& out)
{
    for (int c = 0; c < kRangeBins; ++c) {
        double* row = out[c].data();
        for (int l = 0; l < kPulses; ++l)
            row[l] = std::abs(m[l][c]);
    }
}

// out[c][l] = scale * |m[c * 256 + l]|
void storeMagnitudes(const cf* __restrict m, float scale, QVector<QVector<double> >& out)
{
    for (int c = 0; c < kRangeBins; ++c) {
        const cf* __restrict in = m + c * kPulses;
        double* __restrict row = out[c].data();
        for (int l = 0; l < kPulses; ++l)
            row[l] = scale * std::sqrt(in[l].real() * in[l].real() + in[l].imag() * in[l].imag());
    }
}

// 10 lg p for the 256 powers of one map row. The logarithm splits p into
// 2^e * m with m in [sqrt(1/2), sqrt(2)) and sums a short series for ln m, so
// that the loop compiles to vector instructions; its error, a few parts in
// 1e7 of the amplitude, is far below the float rounding of the transforms.
// Zero, subnormal, infinite and NaN powers take the library's logarithm.
void powerToDb(const float* power, double* db)
{
    constexpr double kDbPerNeper = 10.0 / 2.302585092994045684;  // 10 / ln 10
    constexpr double kLn2 = 0.693147180559945309;
    for (int k = 0; k < kPulses; ++k) {
        std::uint32_t bits;
        std::memcpy(&bits, &power[k], sizeof bits);
        std::uint32_t mantissa = (bits & 0x007FFFFFu) | 0x3F800000u;  // m in [1, 2)
        const std::uint32_t high = mantissa > 0x3FB504F3u;             // m > sqrt(2): halve it
        mantissa -= high << 23;
        const int e = static_cast<int>(bits >> 23) - 127 + static_cast<int>(high);
        float m;
        std::memcpy(&m, &mantissa, sizeof m);
        const float s = (m - 1.0f) / (m + 1.0f);
        const float s2 = s * s;
        const float lnM =
            2.0f * s * (1.0f + s2 * (1.0f / 3 + s2 * (1.0f / 5 + s2 * (1.0f / 7 + s2 * (1.0f / 9)))));
        db[k] = kDbPerNeper * (e * kLn2 + lnM);
    }
    for (int k = 0; k < kPulses; ++k)
        if (!(power[k] >= std::numeric_limits<float>::min() &&
              power[k] <= std::numeric_limits<float>::max()))
            db[k] = kDbPerNeper * std::log(static_cast<double>(power[k]));
}

// rm[c * 256 + l] = pm[l * 128 + c], eight pulses at a time so that the
// writes fill whole cache lines.
void transposeToRangeMajor(const cf* __restrict pm, cf* __restrict rm)
{
    for (int l0 = 0; l0 < kPulses; l0 += 8)
        for (int c = 0; c < kRangeBins; ++c)
            for (int l = l0; l < l0 + 8; ++l)
                rm[c * kPulses + l] = pm[l * kRangeBins + c];
}

cf multiply(cf a, cf b)
{
    // Written out: the library's complex product guards against infinities
    // and NaNs through a slow call that these finite samples never need.
    return {a.real() * b.real() - a.imag() * b.imag(), a.real() * b.imag() + a.imag() * b.real()};
}

// Rows of their own from the start: rows shared with one zero row, as a
// fresh RDResult holds them, would each be copied on first write.
QVector<QVector<double> > independentRows()
{
    QVector<QVector<double> > m;
    m.reserve(kRangeBins);
    for (int c = 0; c < kRangeBins; ++c)
        m.append(QVector<double>(kPulses));
    return m;
}

RDResult emptyResultWithAxes()
{
    RDResult r(0, 0);
    r.rawEcho = independentRows();
    r.compressedEcho = independentRows();
    r.rdMap = independentRows();
    r.pulseAxis.resize(kPulses);
    r.rangeAxis.resize(kRangeBins);
    for (int i = 0; i < kPulses; ++i)
        r.pulseAxis[i] = i;
    for (int j = 0; j < kRangeBins; ++j)
        r.rangeAxis[j] = j;
    return r;
}

}  // namespace

RangeDopplerReferences::RangeDopplerReferences()
    : firstPulse(kPulseInterval), refSpectrum4096(kPulseInterval), refSpectrum128(kPulseInterval)
{
}

RangeDopplerReferences prepareRangeDopplerReferences(const std::vector<cf>& txBuff)
{
    RangeDopplerReferences refs;
    refs.firstPulse = leadingSamples(txBuff, kPulseInterval);
    refs.refSpectrum4096 = fft_and_conjugate_fftwf(refs.firstPulse);
    refs.refSpectrum128 = fft_and_conjugate_fftwf(leadingSamples(refs.firstPulse, kRangeBins));
    return refs;
}

RDResult computeRDDataPerCallPlanning(const std::vector<cf>& block,
                                      const RangeDopplerReferences& refs, int* syncIndex)
{
    requireReferences(refs);
    RDResult result = emptyResultWithAxes();

    ComplexVector X = fft_fftwf(leadingSamples(block, kPulseInterval));
    for (int k = 0; k < kPulseInterval; ++k)
        X[k] *= refs.refSpectrum4096[k];
    const int p = findMaxIndexInVector(ifft_fftwf(X));
    if (syncIndex)
        *syncIndex = p;

    ComplexMatrix S(kPulses, ComplexVector(kRangeBins));
    for (int l = 0; l < kPulses; ++l)
        for (int c = 0; c < kRangeBins; ++c)
            S[l][c] = sampleAt(block, static_cast<std::size_t>(l) * kPulseInterval + p + c);
    storeMagnitudes(S, result.rawEcho);

    ComplexMatrix P(kPulses);
    for (int l = 0; l < kPulses; ++l) {
        P[l] = fft_fftwf(S[l]);
        for (int k = 0; k < kRangeBins; ++k)
            P[l][k] *= refs.refSpectrum128[k];
    }
    const ComplexMatrix C = ifft2d_fftwf(P);
    storeMagnitudes(C, result.compressedEcho);

    ComplexMatrix RD = fft2d_fftwf(singlePulseMTI(C), 0);
    fftshift2d(RD, 0);
    for (int c = 0; c < kRangeBins; ++c) {
        double* row = result.rdMap[c].data();
        for (int k = 0; k < kPulses; ++k)
            row[k] = amplitude_to_db(std::abs(RD[k][c] / kNormalisation));
    }
    return result;
}

RangeDopplerProcessor::RangeDopplerProcessor()
    : syncTime_(kPulseInterval),
      syncFreq_(kPulseInterval),
      pulses_(kWindowSamples),
      spectra_(kWindowSamples),
      rangeMajor_(kWindowSamples),
      doppler_(kWindowSamples),
      dopplerWeights_(2 * kPulses)
{
    const std::vector<float> hamming = generateHammingWindow(kPulses);
    for (int l = 0; l < kPulses; ++l)
        dopplerWeights_[2 * l] = dopplerWeights_[2 * l + 1] = hamming[l] / kRangeBins;

    if (!syncTime_ || !syncFreq_ || !pulses_ || !spectra_ || !rangeMajor_ || !doppler_)
        throw std::runtime_error("FFTW memory allocation failed");

    std::lock_guard<std::mutex> lock(fftwfPlannerMutex());
    // The chain is small and runs beside the GUI on few cores: threads would
    // cost more than they save, whatever thread count others set for the process.
    fftwfEnsureThreadsLocked();
    const int previousThreads = fftwf_planner_nthreads();
    fftwf_plan_with_nthreads(1);

    const unsigned flags = FFTW_MEASURE;  // measuring overwrites the arrays; they hold nothing yet
    int n4096 = kPulseInterval, n128 = kRangeBins, n256 = kPulses;
    syncForward_ = FftwfPlan(fftwf_plan_dft_1d(n4096, syncTime_.get(), syncFreq_.get(),
                                               FFTW_FORWARD, flags));
    syncInverse_ = FftwfPlan(fftwf_plan_dft_1d(n4096, syncFreq_.get(), syncTime_.get(),
                                               FFTW_BACKWARD, flags));
    // Every transform runs along memory, FFTW's fastest case by far: range
    // compression on pulse-major arrays (index l * 128 + c), the Doppler
    // transforms on range-major ones (index c * 256 + l). One transpose
    // between them also lays the results out row by row.
    rangeForward_ = FftwfPlan(fftwf_plan_many_dft(1, &n128, kPulses, pulses_.get(), nullptr, 1,
                                                  kRangeBins, spectra_.get(), nullptr, 1,
                                                  kRangeBins, FFTW_FORWARD, flags));
    rangeInverse_ = FftwfPlan(fftwf_plan_many_dft(1, &n128, kPulses, spectra_.get(), nullptr, 1,
                                                  kRangeBins, pulses_.get(), nullptr, 1,
                                                  kRangeBins, FFTW_BACKWARD, flags));
    dopplerForward_ = FftwfPlan(fftwf_plan_many_dft(1, &n256, kRangeBins, doppler_.get(), nullptr,
                                                    1, kPulses, spectra_.get(), nullptr, 1,
                                                    kPulses, FFTW_FORWARD, flags));
    fftwf_plan_with_nthreads(previousThreads);
    if (!syncForward_ || !syncInverse_ || !rangeForward_ || !rangeInverse_ || !dopplerForward_)
        throw std::runtime_error("FFTW plan creation failed");
}

int RangeDopplerProcessor::synchronise(const std::vector<cf>& block,
                                       const std::vector<cf>& ref4096)
{
    cf* t = syncTime_.samples();
    cf* f = syncFreq_.samples();
    const std::size_t head = std::min<std::size_t>(block.size(), kPulseInterval);
    std::copy_n(block.begin(), head, t);
    std::fill(t + head, t + kPulseInterval, cf{});
    fftwf_execute(syncForward_.get());
    for (int k = 0; k < kPulseInterval; ++k)
        f[k] = multiply(f[k], ref4096[k]);
    fftwf_execute(syncInverse_.get());

    // Squared magnitudes order the same as magnitudes and need no square root.
    int best = 0;
    float bestPower = -1.0f;
    const float scale = static_cast<float>(kPulseInterval);
    for (int k = 0; k < kPulseInterval; ++k) {
        const float power = std::norm(t[k] / scale);
        if (power > bestPower) {
            bestPower = power;
            best = k;
        }
    }
    return best;
}

RDResult RangeDopplerProcessor::process(const std::vector<cf>& block,
                                        const RangeDopplerReferences& refs)
{
    if (!syncForward_)
        throw std::logic_error("RangeDopplerProcessor used after being moved from");
    requireReferences(refs);
    RDResult result = emptyResultWithAxes();

    const int p = synchronise(block, refs.refSpectrum4096);
    syncIndex_ = p;

    // Range windows, pulse by pulse; samples past the end of the block are zero.
    cf* pulses = pulses_.samples();
    const std::size_t size = block.size();
    for (int l = 0; l < kPulses; ++l) {
        const std::size_t start = static_cast<std::size_t>(l) * kPulseInterval + p;
        const std::size_t n = start < size ? std::min<std::size_t>(size - start, kRangeBins) : 0;
        cf* row = pulses + l * kRangeBins;
        std::copy_n(block.data() + (n ? start : 0), n, row);
        std::fill(row + n, row + kRangeBins, cf{});
    }
    cf* rm = rangeMajor_.samples();
    transposeToRangeMajor(pulses, rm);
    storeMagnitudes(rm, 1.0f, result.rawEcho);

    fftwf_execute(rangeForward_.get());
    cf* spectrum = spectra_.samples();
    const cf* ref128 = refs.refSpectrum128.data();
    for (int l = 0; l < kPulses; ++l) {
        cf* __restrict row = spectrum + l * kRangeBins;
        for (int k = 0; k < kRangeBins; ++k)
            row[k] = multiply(row[k], ref128[k]);
    }
    fftwf_execute(rangeInverse_.get());
    // The inverse is unscaled; its 1/128 is applied on the way into the
    // magnitudes and into the canceller.
    transposeToRangeMajor(pulses, rm);
    const cf* comp = rm;
    storeMagnitudes(comp, 1.0f / kRangeBins, result.compressedEcho);

    // Two-pulse canceller, Doppler window and the range scale in one pass,
    // over the interleaved real and imaginary parts so that it vectorises;
    // the canceller's last pulse is zero.
    float* dop = reinterpret_cast<float*>(doppler_.samples());
    const float* w = dopplerWeights_.data();
    for (int c = 0; c < kRangeBins; ++c) {
        const float* __restrict a = reinterpret_cast<const float*>(comp + c * kPulses);
        float* __restrict d = dop + 2 * c * kPulses;
        for (int i = 0; i < 2 * (kPulses - 1); ++i)
            d[i] = (a[i + 2] - a[i]) * w[i];
        d[2 * kPulses - 2] = d[2 * kPulses - 1] = 0.0f;
    }
    fftwf_execute(dopplerForward_.get());
    const cf* rd = spectrum;  // the Doppler transform lands in the spectrum array

    // Row k of the map is Doppler bin k - 128: the half swap folds into the
    // index. 10 lg |v|^2 = 20 lg |v| spares the square root.
    float power[kPulses];
    for (int c = 0; c < kRangeBins; ++c) {
        const cf* in = rd + c * kPulses;
        for (int k = 0; k < kPulses; ++k) {
            const cf v = in[(k + kPulses / 2) % kPulses] / kNormalisation;
            power[k] = v.real() * v.real() + v.imag() * v.imag();
        }
        powerToDb(power, result.rdMap[c].data());
    }
    return result;
}
