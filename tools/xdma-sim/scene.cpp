#include "scene.h"

#include <cmath>
#include <cstring>

#include "kovra_frame_format.h"

namespace xdmasim {

static constexpr double kSampleRate = 30.72e6;
static constexpr int kRows = KOVRA_SAMPLES_PER_FRAME;
static constexpr int kSlots = KOVRA_NUM_SLOTS;

Scene::Scene(std::vector<Target> targets, double noise_sigma, double channel_dc, uint32_t seed)
    : targets_(std::move(targets)), sigma_(noise_sigma), channel_dc_(channel_dc), rng_(seed)
{
    double max_delay = 0;
    for (const Target& t : targets_)
        max_delay = std::max(max_delay, t.delay_samples);
    max_history_frames_ = static_cast<size_t>(std::ceil(max_delay / kRows)) + 1;
}

std::complex<float> Scene::tx_sample(int64_t n, int ch) const
{
    // history_.back() holds samples [next_sample_, next_sample_ + kRows).
    int64_t first = next_sample_ - static_cast<int64_t>(history_.size() - 1) * kRows;
    if (n < first || n >= next_sample_ + kRows)
        return {};
    const std::vector<uint32_t>& f = history_[static_cast<size_t>((n - first) / kRows)];
    if (f.empty())
        return {};
    uint32_t w = f[static_cast<size_t>((n - first) % kRows) * kSlots + ch];
    return {static_cast<float>(static_cast<int16_t>(w & 0xFFFF)),
            static_cast<float>(static_cast<int16_t>(w >> 16))};
}

static int16_t saturate(float v)
{
    float r = std::nearbyint(v);
    if (r > 32767.0f)
        return 32767;
    if (r < -32768.0f)
        return -32768;
    return static_cast<int16_t>(r);
}

void Scene::render(const uint8_t* tx_payload, uint8_t* out)
{
    std::vector<uint32_t> words;
    if (tx_payload) {
        words.resize(static_cast<size_t>(kRows) * kSlots);
        std::memcpy(words.data(), tx_payload, KOVRA_PAYLOAD_SIZE);
    }
    if (pass_through()) {
        if (tx_payload)
            std::memcpy(out, tx_payload, KOVRA_PAYLOAD_SIZE);
        else
            std::memset(out, 0, KOVRA_PAYLOAD_SIZE);
        next_sample_ += kRows;
        return;
    }
    history_.push_back(std::move(words));
    while (history_.size() > max_history_frames_)
        history_.pop_front();

    std::vector<std::complex<float>> rot(targets_.size());
    for (int j = 0; j < kRows; ++j) {
        const int64_t n = next_sample_ + j;
        for (size_t k = 0; k < targets_.size(); ++k) {
            double ph = 2.0 * M_PI * targets_[k].doppler_hz * static_cast<double>(n) / kSampleRate;
            rot[k] = std::complex<float>(static_cast<float>(targets_[k].amplitude * std::cos(ph)),
                                         static_cast<float>(targets_[k].amplitude * std::sin(ph)));
        }
        for (int c = 0; c < kSlots; ++c) {
            std::complex<float> v = tx_sample(n, c);
            for (size_t k = 0; k < targets_.size(); ++k) {
                int64_t d = static_cast<int64_t>(std::llround(targets_[k].delay_samples));
                v += tx_sample(n - d, c) * rot[k];
            }
            v += std::complex<float>(static_cast<float>(channel_dc_ * c), 0.0f);
            if (sigma_ > 0)
                v += std::complex<float>(static_cast<float>(sigma_) * gauss_(rng_),
                                         static_cast<float>(sigma_) * gauss_(rng_));
            uint32_t w = static_cast<uint16_t>(saturate(v.real())) |
                         (static_cast<uint32_t>(static_cast<uint16_t>(saturate(v.imag()))) << 16);
            std::memcpy(out + (static_cast<size_t>(j) * kSlots + c) * 4, &w, 4);
        }
    }
    next_sample_ += kRows;
}

}  // namespace xdmasim
