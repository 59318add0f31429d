#pragma once
// Owning wrappers for FFTW plans and FFTW-allocated arrays, and the locks that
// serialise FFTW's planners.
//
// Thread rules: FFTW's planner (plan creation and plan destruction) may be
// entered by one thread at a time per precision; executing an existing plan is
// safe from any thread as long as no two threads use the same arrays. Every
// plan in this library is created and destroyed while holding
// fftwfPlannerMutex() (single precision) or fftwPlannerMutex() (double
// precision). Code elsewhere in the process that plans with FFTW must take the
// same mutex.

#include <fftw3.h>

#include <complex>
#include <cstddef>
#include <mutex>

std::mutex& fftwfPlannerMutex();
std::mutex& fftwPlannerMutex();

// Makes the threads extension of single-precision FFTW usable; idempotent.
// Caller must hold fftwfPlannerMutex().
void fftwfEnsureThreadsLocked();

// Array of complex floats from fftwf_malloc. Move-only: a copy would free the
// same memory twice.
class FftwfBuffer {
public:
    FftwfBuffer() = default;
    // Null (operator bool false) when FFTW has no memory or n is 0.
    explicit FftwfBuffer(std::size_t n);
    ~FftwfBuffer();
    FftwfBuffer(FftwfBuffer&& other) noexcept;
    FftwfBuffer& operator=(FftwfBuffer&& other) noexcept;
    FftwfBuffer(const FftwfBuffer&) = delete;
    FftwfBuffer& operator=(const FftwfBuffer&) = delete;

    fftwf_complex* get() const { return data_; }
    std::complex<float>* samples() const { return reinterpret_cast<std::complex<float>*>(data_); }
    std::size_t size() const { return size_; }
    explicit operator bool() const { return data_ != nullptr; }

private:
    fftwf_complex* data_ = nullptr;
    std::size_t size_ = 0;
};

// Single-precision plan. Move-only; destruction takes the planner mutex.
class FftwfPlan {
public:
    FftwfPlan() = default;
    explicit FftwfPlan(fftwf_plan p) : plan_(p) {}  // adopts p
    ~FftwfPlan();
    FftwfPlan(FftwfPlan&& other) noexcept;
    FftwfPlan& operator=(FftwfPlan&& other) noexcept;
    FftwfPlan(const FftwfPlan&) = delete;
    FftwfPlan& operator=(const FftwfPlan&) = delete;

    fftwf_plan get() const { return plan_; }
    explicit operator bool() const { return plan_ != nullptr; }
    void reset();

private:
    fftwf_plan plan_ = nullptr;
};

// Double-precision plan, same rules with fftwPlannerMutex().
class FftwPlan {
public:
    FftwPlan() = default;
    explicit FftwPlan(fftw_plan p) : plan_(p) {}
    ~FftwPlan();
    FftwPlan(FftwPlan&& other) noexcept;
    FftwPlan& operator=(FftwPlan&& other) noexcept;
    FftwPlan(const FftwPlan&) = delete;
    FftwPlan& operator=(const FftwPlan&) = delete;

    fftw_plan get() const { return plan_; }
    explicit operator bool() const { return plan_ != nullptr; }
    void reset();

private:
    fftw_plan plan_ = nullptr;
};
