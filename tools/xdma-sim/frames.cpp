#include "frames.h"

#include <cstring>

namespace xdmasim {

static void put_u32(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

void build_frame(uint8_t* frame)
{
    std::memset(frame, 0, KOVRA_FRAME_SIZE);
    std::memset(frame + KOVRA_HEADER_OFFSET, KOVRA_HEADER_BYTE, KOVRA_HEADER_SIZE);
    for (unsigned w = 0; w < KOVRA_MARKER_WORDS; ++w)
        put_u32(frame + KOVRA_MARKER_OFFSET + 4 * w, KOVRA_MARKER_WORD);
    std::memset(frame + KOVRA_TRAILER_OFFSET, KOVRA_TRAILER_BYTE, KOVRA_TRAILER_SIZE);
}

static bool all_bytes(const uint8_t* p, size_t n, uint8_t v)
{
    for (size_t i = 0; i < n; ++i)
        if (p[i] != v)
            return false;
    return true;
}

bool frame_valid(const uint8_t* frame)
{
    if (!all_bytes(frame + KOVRA_HEADER_OFFSET, KOVRA_HEADER_SIZE, KOVRA_HEADER_BYTE))
        return false;
    for (unsigned w = 0; w < KOVRA_MARKER_WORDS; ++w) {
        const uint8_t* p = frame + KOVRA_MARKER_OFFSET + 4 * w;
        uint32_t v = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
        if (v != KOVRA_MARKER_WORD)
            return false;
    }
    return all_bytes(frame + KOVRA_TRAILER_OFFSET, KOVRA_TRAILER_SIZE, KOVRA_TRAILER_BYTE);
}

long find_header(const uint8_t* buf, size_t len)
{
    size_t run = 0;
    for (size_t i = 0; i < len; ++i) {
        run = buf[i] == KOVRA_HEADER_BYTE ? run + 1 : 0;
        if (run == KOVRA_HEADER_SIZE)
            return static_cast<long>(i + 1 - KOVRA_HEADER_SIZE);
    }
    return -1;
}

}  // namespace xdmasim
