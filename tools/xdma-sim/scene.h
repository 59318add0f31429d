#pragma once
// What the receiver sees in one pulse interval (one frame of 4096 samples
// per channel): the transmitted samples looped back, delayed and
// Doppler-shifted echoes of point targets, and Gaussian noise.

#include <complex>
#include <cstdint>
#include <deque>
#include <random>
#include <vector>

#include "options.h"

namespace xdmasim {

class Scene {
public:
    // loopback_gain scales the direct path (the transmitted samples looped
    // back); below 1 it leaves headroom so echoes do not clip the ADC.
    Scene(std::vector<Target> targets, double noise_sigma, double channel_dc = 0.0, double loopback_gain = 1.0,
          uint32_t seed = 1);

    // tx_payload: the 131072-byte payload played in this interval, or null
    // when nothing was transmitted. Writes the received payload to `out`.
    void render(const uint8_t* tx_payload, uint8_t* out);

    // Exact integer loopback is used when there are neither echoes nor noise.
    bool pass_through() const
    {
        return targets_.empty() && sigma_ == 0 && channel_dc_ == 0 && loopback_gain_ == 1.0;
    }

private:
    // Next `n` noise values (ADC counts, already rounded).
    const int16_t* noise(size_t n);

    std::vector<Target> targets_;
    double sigma_;
    double channel_dc_;
    float loopback_gain_;
    std::mt19937_64 rng_;
    // Gaussian noise drawn once and read from a random place per frame:
    // drawing 65536 values per frame would keep the board from real time.
    std::vector<int16_t> noise_table_;
    int64_t next_sample_ = 0;                     // global index of this frame's first sample
    std::deque<std::vector<uint32_t>> history_;  // played payload words, newest last
    size_t max_history_frames_ = 1;
    // Played samples of the current frame and of the longest echo delay
    // before it, decoded once per frame: [sample][channel].
    std::vector<std::complex<float>> window_;
};

}  // namespace xdmasim
