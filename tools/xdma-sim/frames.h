#pragma once
// Frames as the board sees them: built for card-to-host, checked for
// host-to-card. The layout constants are the library's; the code is the
// simulator's own so a fault in the library's frame code shows up here.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "kovra_frame_format.h"

namespace xdmasim {

// Writes a complete frame around an all-zero payload.
void build_frame(uint8_t* frame);

// Header, all 32 marker words and the whole trailer are as they must be.
bool frame_valid(const uint8_t* frame);

// Offset of the first run of 128 header bytes in buf[0, len), or -1.
long find_header(const uint8_t* buf, size_t len);

// Splits a host-to-card byte stream into frames.
class FrameParser {
public:
    // Appends bytes; for each complete frame found calls on_frame(payload, good).
    template <class F>
    void feed(const uint8_t* data, size_t len, F&& on_frame)
    {
        buf_.insert(buf_.end(), data, data + len);
        size_t pos = 0;
        for (;;) {
            long h = find_header(buf_.data() + pos, buf_.size() - pos);
            if (h < 0) {
                size_t keep = KOVRA_HEADER_SIZE - 1;
                size_t left = buf_.size() - pos;
                skipped_ += left > keep ? left - keep : 0;
                pos = left > keep ? buf_.size() - keep : pos;
                break;
            }
            skipped_ += static_cast<size_t>(h);
            pos += static_cast<size_t>(h);
            if (buf_.size() - pos < KOVRA_FRAME_SIZE)
                break;
            const uint8_t* f = buf_.data() + pos;
            if (frame_valid(f)) {
                on_frame(f + KOVRA_PAYLOAD_OFFSET, true);
                pos += KOVRA_FRAME_SIZE;
            } else {
                on_frame(nullptr, false);
                pos += KOVRA_HEADER_SIZE;
            }
        }
        buf_.erase(buf_.begin(), buf_.begin() + static_cast<long>(pos));
    }
    uint64_t skipped_bytes() const { return skipped_; }

private:
    std::vector<uint8_t> buf_;
    uint64_t skipped_ = 0;
};

}  // namespace xdmasim
