#include "frame.h"

#include <string.h>

static const uint32_t header_word = KOVRA_MARKER_WORD;

void _init_frame_template(uint8_t *frame, const uint8_t *codebook)
{
    memset(frame, 0, KOVRA_FRAME_SIZE);
    for (unsigned i = 0; i < KOVRA_HEADER_SIZE; i += 32)
        memset(frame + KOVRA_HEADER_OFFSET + i, KOVRA_HEADER_BYTE, 32);
    if (codebook)
        memcpy(frame + KOVRA_CODEBOOK_OFFSET, codebook, KOVRA_CODEBOOK_SIZE);
    memset(frame + KOVRA_TRAILER_OFFSET, KOVRA_TRAILER_BYTE, KOVRA_TRAILER_SIZE);
    for (unsigned w = 0; w < KOVRA_MARKER_WORDS; ++w) {
        uint8_t *p = frame + KOVRA_MARKER_OFFSET + 4 * w;
        p[0] = (uint8_t)(header_word);
        p[1] = (uint8_t)(header_word >> 8);
        p[2] = (uint8_t)(header_word >> 16);
        p[3] = (uint8_t)(header_word >> 24);
    }
}

void _default_codebook(uint8_t *codebook)
{
    memset(codebook, 0, KOVRA_CODEBOOK_SIZE);
    unsigned full = KOVRA_CODEBOOK_DEFAULT_BITS / 8;
    unsigned rest = KOVRA_CODEBOOK_DEFAULT_BITS % 8;
    memset(codebook, 0xFF, full);
    if (rest)
        codebook[full] = (uint8_t)(0xFF00u >> rest);
}

int _popcount_mask(uint32_t mask)
{
    return __builtin_popcount(mask & 0xFFu);
}

long _find_frame_start(const uint8_t *buf, size_t len)
{
    if (len < KOVRA_HEADER_SIZE)
        return -1;
    size_t last = len - KOVRA_HEADER_SIZE; /* last start that still fits */
    size_t pos = 0;
    while (pos <= last) {
        const uint8_t *hit = memchr(buf + pos, KOVRA_HEADER_BYTE, last - pos + 1);
        if (!hit)
            return -1;
        size_t p = (size_t)(hit - buf);
        size_t k = 1;
        while (k < KOVRA_HEADER_SIZE && buf[p + k] == KOVRA_HEADER_BYTE)
            ++k;
        if (k == KOVRA_HEADER_SIZE)
            return (long)p;
        /* No run can start inside the bytes just checked. */
        pos = p + k + 1;
    }
    return -1;
}

int _frame_accepted(const uint8_t *frame)
{
    return frame[0] == KOVRA_HEADER_BYTE && frame[KOVRA_TRAILER_CHECK_OFFSET] == KOVRA_TRAILER_BYTE;
}

static void put_le16(uint8_t *p, int16_t v)
{
    uint16_t u = (uint16_t)v;
    p[0] = (uint8_t)u;
    p[1] = (uint8_t)(u >> 8);
}

int __assemble_tx_frame(uint8_t *frame, const int16_t *const i_ptr[8],
                        const int16_t *const q_ptr[8], int count, size_t *frame_size)
{
    _init_frame_template(frame, NULL);
    uint8_t *payload = frame + KOVRA_PAYLOAD_OFFSET;
    for (unsigned i = 0; i < KOVRA_SAMPLES_PER_FRAME; ++i) {
        uint8_t *row = payload + (size_t)i * KOVRA_ROW_BYTES;
        for (int j = 0; j < 8; ++j) {
            if (j < count && i_ptr[j] && q_ptr[j]) {
                put_le16(row + 4 * j, q_ptr[j][2 * i]);
                put_le16(row + 4 * j + 2, i_ptr[j][2 * i]);
            }
        }
    }
    if (frame_size)
        *frame_size = KOVRA_FRAME_SIZE;
    return 0;
}

int __disassemble_rx_frame(int convert, void *const out[8], const uint32_t *rx_words,
                           uint32_t count, uint32_t mask, int n, size_t *size)
{
    const float scale = 3.0518509e-05f;
    for (int i = 0; i < 8; ++i) {
        if (!(mask & (1u << i)) || !out[i])
            continue;
        int k = _popcount_mask(mask & ((1u << i) - 1u));
        for (uint32_t j = 0; j < count; ++j) {
            uint32_t w = rx_words[(size_t)(880 + j) * (size_t)n + (size_t)k];
            int16_t lo = (int16_t)(uint16_t)(w & 0xFFFFu);
            int16_t hi = (int16_t)(uint16_t)(w >> 16);
            if (convert) {
                float *o = out[i];
                o[2 * j] = (float)lo * scale;
                o[2 * j + 1] = (float)hi * scale;
            } else {
                int16_t *o = out[i];
                o[2 * j] = lo;
                o[2 * j + 1] = hi;
            }
        }
    }
    if (size)
        *size = 0;
    return 0;
}
