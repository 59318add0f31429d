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
      windows_(kWindowSamples),
      spectra_(kWindowSamples),
      doppler_(kWindowSamples),
      dopplerWindow_(generateHammingWindow(kPulses))
{
    if (!syncTime_ || !syncFreq_ || !windows_ || !spectra_ || !doppler_)
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
    // Working arrays are range-major (index c * 256 + l), so that every
    // result row is one contiguous run: the range transforms stride across
    // pulses, the Doppler transforms run along memory.
    rangeForward_ = FftwfPlan(fftwf_plan_many_dft(1, &n128, kPulses, windows_.get(), nullptr,
                                                  kPulses, 1, spectra_.get(), nullptr, kPulses, 1,
                                                  FFTW_FORWARD, flags));
    rangeInverse_ = FftwfPlan(fftwf_plan_many_dft(1, &n128, kPulses, spectra_.get(), nullptr,
                                                  kPulses, 1, windows_.get(), nullptr, kPulses, 1,
                                                  FFTW_BACKWARD, flags));
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

    // Range windows, gathered eight pulses at a time so that the writes
    // fill whole cache lines; samples past the end of the block are zero.
    cf* win = windows_.samples();
    const std::size_t size = block.size();
    for (int l0 = 0; l0 < kPulses; l0 += 8) {
        const std::size_t lastStart = static_cast<std::size_t>(l0 + 7) * kPulseInterval + p;
        if (lastStart + kRangeBins <= size) {
            const cf* x = block.data() + static_cast<std::size_t>(l0) * kPulseInterval + p;
            for (int c = 0; c < kRangeBins; ++c)
                for (int l = 0; l < 8; ++l)
                    win[c * kPulses + l0 + l] = x[l * kPulseInterval + c];
        } else {
            for (int c = 0; c < kRangeBins; ++c)
                for (int l = l0; l < l0 + 8; ++l)
                    win[c * kPulses + l] = sampleAt(
                        block, static_cast<std::size_t>(l) * kPulseInterval + p + c);
        }
    }
    storeMagnitudes(win, 1.0f, result.rawEcho);

    fftwf_execute(rangeForward_.get());
    cf* spec = spectra_.samples();
    const cf* ref128 = refs.refSpectrum128.data();
    for (int k = 0; k < kRangeBins; ++k) {
        const cf r = ref128[k];
        cf* row = spec + k * kPulses;
        for (int l = 0; l < kPulses; ++l)
            row[l] = multiply(row[l], r);
    }
    fftwf_execute(rangeInverse_.get());
    // The inverse lands back in the window array, unscaled; its 1/128 is
    // applied on the way into the magnitudes and into the canceller.
    const cf* comp = win;
    const float rangeScale = 1.0f / kRangeBins;
    storeMagnitudes(comp, rangeScale, result.compressedEcho);

    // Two-pulse canceller and Doppler window in one pass; the canceller's
    // last pulse is zero.
    cf* dop = doppler_.samples();
    float weight[kPulses];
    for (int l = 0; l < kPulses; ++l)
        weight[l] = dopplerWindow_[l] * rangeScale;
    for (int c = 0; c < kRangeBins; ++c) {
        const cf* __restrict a = comp + c * kPulses;
        cf* __restrict d = dop + c * kPulses;
        for (int l = 0; l + 1 < kPulses; ++l)
            d[l] = (a[l + 1] - a[l]) * weight[l];
        d[kPulses - 1] = cf{};
    }
    fftwf_execute(dopplerForward_.get());
    const cf* rd = spec;  // the Doppler transform lands in the spectrum array

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
