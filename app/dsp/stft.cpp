#include "stft.h"

#include "fftw_resources.h"

#include <cmath>
#include <stdexcept>

using namespace stft;

std::vector<double> generateWindow(int N, const std::string& name)
{
    if (N <= 0)
        return {};
    std::vector<double> w(static_cast<std::size_t>(N), 1.0);
    if (N == 1)
        return w;
    for (int i = 0; i < N; ++i) {
        const double c = std::cos(2.0 * M_PI * i / (N - 1));
        if (name == "Hamming")
            w[i] = 0.54 - 0.46 * c;
        else if (name == "Hanning")
            w[i] = 0.5 * (1.0 - c);
    }
    return w;
}

void computeSTFT(const std::vector<std::complex<float>>& x,
                 std::vector<std::vector<double>>& spectrum, std::vector<double>& freqs,
                 std::vector<double>& times, double fs)
{
    const std::size_t n = x.size();
    std::size_t frames = 0;
    if (n >= static_cast<std::size_t>(kFrameLength))
        frames = (n - kFrameLength) / kHop + 1;
    else if (n > 0)
        frames = 1;  // short input: one frame, zero-padded

    spectrum.assign(frames, std::vector<double>(kFrameLength, 0.0));
    freqs.resize(kFrameLength);
    for (int k = 0; k < kFrameLength; ++k)
        freqs[k] = (k - kFrameLength / 2) * (fs / kFrameLength) / 1e6;
    times.resize(n);
    for (std::size_t l = 0; l < n; ++l)
        times[l] = static_cast<double>(l) * (1.0 / fs) * 1e6;
    if (frames == 0)
        return;

    const std::vector<double> w = generateWindow(kFrameLength, "Hamming");
    fftw_complex* in = static_cast<fftw_complex*>(fftw_malloc(sizeof(fftw_complex) * kFrameLength));
    fftw_complex* out = static_cast<fftw_complex*>(fftw_malloc(sizeof(fftw_complex) * kFrameLength));
    if (!in || !out) {
        fftw_free(in);
        fftw_free(out);
        throw std::bad_alloc();
    }
    FftwPlan plan;
    {
        std::lock_guard<std::mutex> lock(fftwPlannerMutex());
        plan = FftwPlan(fftw_plan_dft_1d(kFrameLength, in, out, FFTW_FORWARD, FFTW_ESTIMATE));
    }
    if (!plan) {
        fftw_free(in);
        fftw_free(out);
        throw std::runtime_error("FFTW plan creation failed");
    }

    constexpr double kDbPerNeper = 20.0 / 2.302585092994045684;  // 20 / ln 10
    double magnitudeDb[kFrameLength];
    for (std::size_t j = 0; j < frames; ++j) {
        for (int m = 0; m < kFrameLength; ++m) {
            const std::size_t idx = j * kHop + m;
            if (idx < n) {
                in[m][0] = w[m] * x[idx].real();
                in[m][1] = w[m] * x[idx].imag();
            } else {
                in[m][0] = in[m][1] = 0.0;
            }
        }
        fftw_execute(plan.get());
        for (int k = 0; k < kFrameLength; ++k) {
            const double mag = std::sqrt(out[k][0] * out[k][0] + out[k][1] * out[k][1]);
            magnitudeDb[k] = kDbPerNeper * std::log(mag + kMagnitudeFloor);
        }
        double* row = spectrum[j].data();
        for (int i = 0; i < kFrameLength; ++i)
            row[i] = magnitudeDb[(i + kFrameLength / 2) % kFrameLength];
    }
    plan.reset();
    fftw_free(in);
    fftw_free(out);
}

void applyWindow(std::vector<std::complex<float>>& x, const std::vector<float>& w)
{
    if (w.size() < x.size())
        throw std::invalid_argument("Window shorter than the samples");
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] *= w[i];
}

void updateSlidingWindow(std::vector<std::complex<float>>& window,
                         const std::vector<std::complex<float>>& fresh)
{
    if (window.size() < fresh.size())
        throw std::runtime_error("Original data too small to remove that many points.");
    window.erase(window.begin(), window.begin() + static_cast<std::ptrdiff_t>(fresh.size()));
    window.insert(window.end(), fresh.begin(), fresh.end());
}
