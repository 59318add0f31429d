#include "scene.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "kovra_frame_format.h"

namespace xdmasim {

static constexpr double kSampleRate = 30.72e6;
static constexpr int kRows = KOVRA_SAMPLES_PER_FRAME;
static constexpr int kSlots = KOVRA_NUM_SLOTS;

Scene::Scene(std::vector<Target> targets, double noise_sigma, double channel_dc, double loopback_gain, uint32_t seed)
    : targets_(std::move(targets)),
      sigma_(noise_sigma),
      channel_dc_(channel_dc),
      loopback_gain_(static_cast<float>(loopback_gain)),
      rng_(seed)
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

    const float gain = loopback_gain_;
    auto gained = [gain](int16_t v) {
        return gain == 1.0f ? int32_t{v} : static_cast<int32_t>(std::lround(gain * static_cast<float>(v)));
    };
    if (targets_.empty()) {
        // Loopback, offsets and noise: integer arithmetic, saturating.
        const std::vector<uint32_t>& tx = history_.back();
        for (size_t k = 0; k < static_cast<size_t>(kRows) * kSlots; ++k) {
            uint32_t w = tx.empty() ? 0 : tx[k];
            int32_t i = gained(static_cast<int16_t>(w & 0xFFFF)) + dc[k % kSlots] + (nz ? nz[2 * k] : 0);
            int32_t q = gained(static_cast<int16_t>(w >> 16)) + (nz ? nz[2 * k + 1] : 0);
            uint32_t o = sat(i) | (static_cast<uint32_t>(sat(q)) << 16);
            std::memcpy(out + 4 * k, &o, 4);
        }
        next_sample_ += kRows;
        return;
    }

    // Decode the played samples of this frame and of the `reach` samples
    // before it once, so each echo is a plain offset read.
    int64_t reach = 0;
    for (const Target& t : targets_)
        reach = std::max<int64_t>(reach, std::llround(t.delay_samples));
    const int64_t span = reach + kRows;
    window_.assign(static_cast<size_t>(span) * kSlots, {});
    const int64_t window_first = next_sample_ - reach;
    const int64_t history_first = next_sample_ - static_cast<int64_t>(history_.size() - 1) * kRows;
    for (size_t h = 0; h < history_.size(); ++h) {
        const std::vector<uint32_t>& f = history_[h];
        if (f.empty())
            continue;
        const int64_t frame_first = history_first + static_cast<int64_t>(h) * kRows;
        const int64_t lo = std::max(frame_first, window_first);
        const int64_t hi = std::min(frame_first + kRows, window_first + span);
        for (int64_t n = lo; n < hi; ++n) {
            const uint32_t* w = &f[static_cast<size_t>(n - frame_first) * kSlots];
            std::complex<float>* dst = &window_[static_cast<size_t>(n - window_first) * kSlots];
            for (int c = 0; c < kSlots; ++c)
                dst[c] = {static_cast<float>(static_cast<int16_t>(w[c] & 0xFFFF)),
                          static_cast<float>(static_cast<int16_t>(w[c] >> 16))};
        }
    }

    std::vector<int64_t> delay(targets_.size());
    for (size_t k = 0; k < targets_.size(); ++k)
        delay[k] = std::llround(targets_[k].delay_samples);
    std::vector<std::complex<float>> rot(targets_.size());
    for (int j = 0; j < kRows; ++j) {
        const int64_t n = next_sample_ + j;
        for (size_t k = 0; k < targets_.size(); ++k) {
            const double ph = 2.0 * M_PI * targets_[k].doppler_hz * static_cast<double>(n) / kSampleRate;
            rot[k] = std::complex<float>(static_cast<float>(targets_[k].amplitude * std::cos(ph)),
                                         static_cast<float>(targets_[k].amplitude * std::sin(ph)));
        }
        const std::complex<float>* now = &window_[static_cast<size_t>(reach + j) * kSlots];
        std::complex<float> v[kSlots];
        for (int c = 0; c < kSlots; ++c)
            v[c] = now[c] * loopback_gain_;
        for (size_t k = 0; k < targets_.size(); ++k) {
            const std::complex<float>* echo = &window_[static_cast<size_t>(reach + j - delay[k]) * kSlots];
            for (int c = 0; c < kSlots; ++c)
                v[c] += echo[c] * rot[k];
        }
        for (int c = 0; c < kSlots; ++c) {
            const size_t idx = (static_cast<size_t>(j) * kSlots + c) * 2;
            int32_t i = saturate(v[c].real()) + dc[c] + (nz ? nz[idx] : 0);
            int32_t q = saturate(v[c].imag()) + (nz ? nz[idx + 1] : 0);
            uint32_t w = sat(i) | (static_cast<uint32_t>(sat(q)) << 16);
            std::memcpy(out + (static_cast<size_t>(j) * kSlots + c) * 4, &w, 4);
        }
    }
    next_sample_ += kRows;
}

}  // namespace xdmasim
