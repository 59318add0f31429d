#include "fftwf_wrapper.h"

#include <cmath>
#include <stdexcept>
#include <thread>
#include <utility>

namespace {

enum class Flavour { Forward, Conjugate, Inverse };

ComplexVector oneShot(const ComplexVector& in, Flavour flavour)
{
    const std::size_t n = in.size();
    if (n == 0)
        return {};
    const bool inverse = flavour == Flavour::Inverse;
    FftwfBuffer a(n), b(n);
    if (!a || !b)
        throw std::runtime_error(inverse ? "FFTW IFFT: memory allocation failed"
                                         : "FFTW memory allocation failed");
    std::copy(in.begin(), in.end(), a.samples());
    FftwfPlan plan;
    {
        std::lock_guard<std::mutex> lock(fftwfPlannerMutex());
        plan = FftwfPlan(fftwf_plan_dft_1d(static_cast<int>(n), a.get(), b.get(),
                                           inverse ? FFTW_BACKWARD : FFTW_FORWARD,
                                           FFTW_ESTIMATE));
    }
    if (!plan)
        throw std::runtime_error(inverse ? "FFTW IFFT: plan creation failed"
                                         : "FFTW plan creation failed");
    fftwf_execute(plan.get());

    ComplexVector out(b.samples(), b.samples() + n);
    if (flavour == Flavour::Conjugate) {
        for (auto& v : out)
            v = std::conj(v);
    } else if (inverse) {
        const float scale = static_cast<float>(n);
        for (auto& v : out)
            v /= scale;
    }
    return out;
}

void requireRectangular(const ComplexMatrix& m)
{
    for (const auto& row : m)
        if (row.size() != m.front().size())
            throw std::invalid_argument("All rows must have the same number of columns");
}

}  // namespace

ComplexVector fft_fftwf(const ComplexVector& in) { return oneShot(in, Flavour::Forward); }

ComplexVector ifft_fftwf(const ComplexVector& in) { return oneShot(in, Flavour::Inverse); }

ComplexVector fft_and_conjugate_fftwf(const ComplexVector& in)
{
    return oneShot(in, Flavour::Conjugate);
}

ComplexVector fft1d_fftwf(const ComplexVector& in) { return oneShot(in, Flavour::Forward); }

std::vector<float> generateHammingWindow(int N)
{
    if (N <= 0)
        return {};
    if (N == 1)
        return {1.0f};
    const float a0 = 0.54f, a1 = 0.46f;
    std::vector<float> w(static_cast<std::size_t>(N));
    for (int i = 0; i < N; ++i)
        w[i] = static_cast<float>(a0 - a1 * std::cos(2.0 * M_PI * i / (N - 1)));
    return w;
}

ComplexMatrix fft2d_fftwf(const ComplexMatrix& m, int axis)
{
    if (m.empty() || m.front().empty())
        return {};
    if (axis != 0 && axis != 1)
        throw std::invalid_argument("axis must be 0 (rows) or 1 (columns)");
    requireRectangular(m);

    const std::size_t rows = m.size(), cols = m.front().size();
    ComplexMatrix result = m;
    if (axis == 1) {
        const auto w = generateHammingWindow(static_cast<int>(cols));
        ComplexVector t(cols);
        for (std::size_t r = 0; r < rows; ++r) {
            for (std::size_t c = 0; c < cols; ++c)
                t[c] = m[r][c] * w[c];
            result[r] = fft1d_fftwf(t);
        }
    } else {
        const auto w = generateHammingWindow(static_cast<int>(rows));
        ComplexVector t(rows);
        for (std::size_t c = 0; c < cols; ++c) {
            for (std::size_t r = 0; r < rows; ++r)
                t[r] = m[r][c] * w[r];
            const ComplexVector f = fft1d_fftwf(t);
            for (std::size_t k = 0; k < rows; ++k)
                result[k][c] = f[k];
        }
    }
    return result;
}

ComplexMatrix ifft2d_fftwf(const ComplexMatrix& m)
{
    if (m.empty())
        return {};
    requireRectangular(m);
    const std::size_t cols = m.front().size();
    ComplexMatrix result(m.size(), ComplexVector(cols));
    if (cols == 0)
        return result;

    FftwfBuffer a(cols), b(cols);
    if (!a || !b)
        throw std::runtime_error("FFTW memory allocation failed");
    FftwfPlan plan;
    {
        std::lock_guard<std::mutex> lock(fftwfPlannerMutex());
        plan = FftwfPlan(fftwf_plan_dft_1d(static_cast<int>(cols), a.get(), b.get(),
                                           FFTW_BACKWARD, FFTW_ESTIMATE));
    }
    if (!plan)
        throw std::runtime_error("FFTW plan creation failed");

    const float scale = static_cast<float>(cols);
    for (std::size_t r = 0; r < m.size(); ++r) {
        std::copy(m[r].begin(), m[r].end(), a.samples());
        fftwf_execute(plan.get());
        for (std::size_t k = 0; k < cols; ++k)
            result[r][k] = b.samples()[k] / scale;
    }
    return result;
}

void fftshift2d(ComplexMatrix& m, int axis)
{
    if (m.empty())
        return;
    if (axis != 0 && axis != 1)
        throw std::invalid_argument("axis must be 0 or 1");
    requireRectangular(m);

    if (axis == 0) {
        const std::size_t n = m.size(), h = n / 2, odd = n % 2;
        for (std::size_t j = 0; j < h; ++j)
            std::swap(m[j], m[h + j + odd]);
    } else {
        for (auto& row : m) {
            const std::size_t n = row.size(), h = n / 2, odd = n % 2;
            for (std::size_t j = 0; j < h; ++j)
                std::swap(row[j], row[h + j + odd]);
        }
    }
}

FFTWfWrapper& FFTWfWrapper::instance()
{
    static FFTWfWrapper wrapper;
    return wrapper;
}

FFTWfWrapper::FFTWfWrapper()
{
    const unsigned hw = std::thread::hardware_concurrency();
    std::lock_guard<std::mutex> lock(fftwfPlannerMutex());
    fftwfEnsureThreadsLocked();
    fftwf_plan_with_nthreads(hw > 0 ? static_cast<int>(hw) : 1);
}

FFTWfWrapper::~FFTWfWrapper()
{
    cleanup();
    std::lock_guard<std::mutex> lock(fftwfPlannerMutex());
    fftwf_cleanup_threads();
}

const FFTPlanCache& FFTWfWrapper::getPlan(std::size_t size)
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = plans_.find(size);
    if (found != plans_.end())
        return found->second;

    FFTPlanCache record;
    record.size = size;
    record.in = FftwfBuffer(size);
    record.out = FftwfBuffer(size);
    if (!record.in || !record.out)
        throw std::runtime_error("FFTW malloc failed");
    {
        std::lock_guard<std::mutex> planner(fftwfPlannerMutex());
        record.plan = FftwfPlan(fftwf_plan_dft_1d(static_cast<int>(size), record.in.get(),
                                                  record.out.get(), FFTW_FORWARD, FFTW_MEASURE));
    }
    if (!record.plan)
        throw std::runtime_error("FFTW plan creation failed");
    return plans_.emplace(size, std::move(record)).first->second;
}

ComplexVector FFTWfWrapper::fft(const ComplexVector& v)
{
    if (v.empty())
        return {};
    const FFTPlanCache& record = getPlan(v.size());
    // The record's own arrays would be shared by every caller of this size;
    // arrays from fftwf_malloc have the alignment the plan was made for.
    FftwfBuffer in(v.size()), out(v.size());
    if (!in || !out)
        throw std::runtime_error("FFTW malloc failed");
    std::copy(v.begin(), v.end(), in.samples());
    fftwf_execute_dft(record.plan.get(), in.get(), out.get());
    return ComplexVector(out.samples(), out.samples() + v.size());
}

void FFTWfWrapper::cleanup()
{
    std::lock_guard<std::mutex> lock(mutex_);
    plans_.clear();
}
