#include "scene.h"

#include <algorithm>
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
    if (sigma_ > 0) {
        std::normal_distribution<double> gauss(0.0, sigma_);
        noise_table_.resize(size_t(1) << 21);
        for (int16_t& v : noise_table_)
            v = static_cast<int16_t>(std::clamp(std::nearbyint(gauss(rng_)), -32768.0, 32767.0));
    }
}

const int16_t* Scene::noise(size_t n)
{
    size_t start = static_cast<size_t>(rng_() % (noise_table_.size() - n));
    return noise_table_.data() + start;
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

    const size_t values = static_cast<size_t>(kRows) * kSlots * 2;
    const int16_t* nz = sigma_ > 0 ? noise(values) : nullptr;
    auto sat = [](int32_t v) { return static_cast<uint16_t>(static_cast<int16_t>(std::clamp(v, -32768, 32767))); };
    int32_t dc[kSlots];
    for (int c = 0; c < kSlots; ++c)
        dc[c] = static_cast<int32_t>(std::lround(channel_dc_ * c));

    if (targets_.empty()) {
        // Loopback, offsets and noise: integer arithmetic, saturating.
        const std::vector<uint32_t>& tx = history_.back();
        for (size_t k = 0; k < static_cast<size_t>(kRows) * kSlots; ++k) {
            uint32_t w = tx.empty() ? 0 : tx[k];
            int32_t i = static_cast<int16_t>(w & 0xFFFF) + dc[k % kSlots] + (nz ? nz[2 * k] : 0);
            int32_t q = static_cast<int16_t>(w >> 16) + (nz ? nz[2 * k + 1] : 0);
            uint32_t o = sat(i) | (static_cast<uint32_t>(sat(q)) << 16);
            std::memcpy(out + 4 * k, &o, 4);
        }
        next_sample_ += kRows;
        return;
    }

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
            const size_t idx = (static_cast<size_t>(j) * kSlots + c) * 2;
            int32_t i = saturate(v.real()) + dc[c] + (nz ? nz[idx] : 0);
            int32_t q = saturate(v.imag()) + (nz ? nz[idx + 1] : 0);
            uint32_t w = sat(i) | (static_cast<uint32_t>(sat(q)) << 16);
            std::memcpy(out + (static_cast<size_t>(j) * kSlots + c) * 4, &w, 4);
        }
    }
    next_sample_ += kRows;
}

}  // namespace xdmasim
