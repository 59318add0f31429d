#include "range_doppler.h"

#include "fftwf_wrapper.h"
#include "or_math.h"

#include <cmath>
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

RDResult emptyResultWithAxes()
{
    RDResult r(kRangeBins, kPulses);
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
    rangeForward_ = FftwfPlan(fftwf_plan_many_dft(1, &n128, kPulses, windows_.get(), nullptr, 1,
                                                  kRangeBins, spectra_.get(), nullptr, 1,
                                                  kRangeBins, FFTW_FORWARD, flags));
    rangeInverse_ = FftwfPlan(fftwf_plan_many_dft(1, &n128, kPulses, spectra_.get(), nullptr, 1,
                                                  kRangeBins, spectra_.get(), nullptr, 1,
                                                  kRangeBins, FFTW_BACKWARD, flags));
    dopplerForward_ = FftwfPlan(fftwf_plan_many_dft(1, &n256, kRangeBins, doppler_.get(), nullptr,
                                                    kRangeBins, 1, doppler_.get(), nullptr,
                                                    kRangeBins, 1, FFTW_FORWARD, flags));
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
        f[k] *= ref4096[k];
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

    cf* win = windows_.samples();
    for (int l = 0; l < kPulses; ++l) {
        const std::size_t start = static_cast<std::size_t>(l) * kPulseInterval + p;
        cf* row = win + l * kRangeBins;
        const std::size_t avail = start < block.size() ? block.size() - start : 0;
        const std::size_t n = std::min<std::size_t>(avail, kRangeBins);
        std::copy_n(block.begin() + static_cast<std::ptrdiff_t>(std::min(start, block.size())),
                    n, row);
        std::fill(row + n, row + kRangeBins, cf{});
    }
    for (int c = 0; c < kRangeBins; ++c) {
        double* out = result.rawEcho[c].data();
        for (int l = 0; l < kPulses; ++l) {
            const cf v = win[l * kRangeBins + c];
            out[l] = std::sqrt(v.real() * v.real() + v.imag() * v.imag());
        }
    }

    fftwf_execute(rangeForward_.get());
    cf* spec = spectra_.samples();
    const cf* ref128 = refs.refSpectrum128.data();
    for (int l = 0; l < kPulses; ++l) {
        cf* row = spec + l * kRangeBins;
        for (int k = 0; k < kRangeBins; ++k)
            row[k] *= ref128[k];
    }
    fftwf_execute(rangeInverse_.get());
    const float rangeScale = static_cast<float>(kRangeBins);
    for (int i = 0; i < kWindowSamples; ++i)
        spec[i] /= rangeScale;
    for (int c = 0; c < kRangeBins; ++c) {
        double* out = result.compressedEcho[c].data();
        for (int l = 0; l < kPulses; ++l) {
            const cf v = spec[l * kRangeBins + c];
            out[l] = std::sqrt(v.real() * v.real() + v.imag() * v.imag());
        }
    }

    // Two-pulse canceller and Doppler window in one pass; the canceller's
    // last row is zero.
    cf* dop = doppler_.samples();
    for (int l = 0; l + 1 < kPulses; ++l) {
        const float w = dopplerWindow_[l];
        const cf* a = spec + l * kRangeBins;
        const cf* b = a + kRangeBins;
        cf* d = dop + l * kRangeBins;
        for (int c = 0; c < kRangeBins; ++c)
            d[c] = (b[c] - a[c]) * w;
    }
    std::fill(dop + (kPulses - 1) * kRangeBins, dop + kWindowSamples, cf{});
    fftwf_execute(dopplerForward_.get());

    // Row k of the map is Doppler bin k - 128: the half swap folds into the index.
    constexpr double kDbPerNeper = 10.0 / 2.302585092994045684;  // 10 / ln 10
    for (int c = 0; c < kRangeBins; ++c) {
        double* out = result.rdMap[c].data();
        for (int k = 0; k < kPulses; ++k) {
            const cf v = dop[((k + kPulses / 2) % kPulses) * kRangeBins + c] / kNormalisation;
            const double re = v.real(), im = v.imag();
            out[k] = kDbPerNeper * std::log(re * re + im * im);
        }
    }
    return result;
}
