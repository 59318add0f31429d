#pragma once
// Builds stream frames byte by byte from the frame layout, for the library's
// tests and benchmarks; independent of the library's own frame code.

#include <cstdint>
#include <cstring>
#include <vector>

#include "kovra_frame_format.h"

namespace kt {

// A valid frame whose payload word for row r, slot c is word(r, c).
template <class F>
std::vector<uint8_t> make_frame(F word)
{
    std::vector<uint8_t> f(KOVRA_FRAME_SIZE, 0);
    std::memset(f.data(), KOVRA_HEADER_BYTE, KOVRA_HEADER_SIZE);
    for (unsigned w = 0; w < KOVRA_MARKER_WORDS; ++w) {
        uint32_t v = KOVRA_MARKER_WORD;
        std::memcpy(f.data() + KOVRA_MARKER_OFFSET + 4 * w, &v, 4);
    }
    std::memset(f.data() + KOVRA_TRAILER_OFFSET, KOVRA_TRAILER_BYTE, KOVRA_TRAILER_SIZE);
    for (uint32_t r = 0; r < KOVRA_SAMPLES_PER_FRAME; ++r)
        for (uint32_t c = 0; c < 8; ++c) {
            uint32_t v = word(r, c);
            std::memcpy(f.data() + KOVRA_PAYLOAD_OFFSET + (r * 8 + c) * 4, &v, 4);
        }
    return f;
}

}  // namespace kt
