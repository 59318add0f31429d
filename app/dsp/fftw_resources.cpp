#include "fftw_resources.h"

#include <utility>

std::mutex& fftwfPlannerMutex()
{
    static std::mutex m;
    return m;
}

std::mutex& fftwPlannerMutex()
{
    static std::mutex m;
    return m;
}

void fftwfEnsureThreadsLocked()
{
    static bool initialised = false;
    if (!initialised) {
        fftwf_init_threads();
        initialised = true;
    }
}

FftwfBuffer::FftwfBuffer(std::size_t n)
{
    if (n == 0)
        return;
    data_ = static_cast<fftwf_complex*>(fftwf_malloc(sizeof(fftwf_complex) * n));
    if (data_)
        size_ = n;
}

FftwfBuffer::~FftwfBuffer()
{
    if (data_)
        fftwf_free(data_);
}

FftwfBuffer::FftwfBuffer(FftwfBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0))
{
}

FftwfBuffer& FftwfBuffer::operator=(FftwfBuffer&& other) noexcept
{
    if (this != &other) {
        if (data_)
            fftwf_free(data_);
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

FftwfPlan::~FftwfPlan() { reset(); }

FftwfPlan::FftwfPlan(FftwfPlan&& other) noexcept : plan_(std::exchange(other.plan_, nullptr)) {}

FftwfPlan& FftwfPlan::operator=(FftwfPlan&& other) noexcept
{
    if (this != &other) {
        reset();
        plan_ = std::exchange(other.plan_, nullptr);
    }
    return *this;
}

void FftwfPlan::reset()
{
    if (plan_) {
        std::lock_guard<std::mutex> lock(fftwfPlannerMutex());
        fftwf_destroy_plan(plan_);
        plan_ = nullptr;
    }
}

FftwPlan::~FftwPlan() { reset(); }

FftwPlan::FftwPlan(FftwPlan&& other) noexcept : plan_(std::exchange(other.plan_, nullptr)) {}

FftwPlan& FftwPlan::operator=(FftwPlan&& other) noexcept
{
    if (this != &other) {
        reset();
        plan_ = std::exchange(other.plan_, nullptr);
    }
    return *this;
}

void FftwPlan::reset()
{
    if (plan_) {
        std::lock_guard<std::mutex> lock(fftwPlannerMutex());
        fftw_destroy_plan(plan_);
        plan_ = nullptr;
    }
}
