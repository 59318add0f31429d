#ifndef KOVRA_FRAME_H
#define KOVRA_FRAME_H

/*
 * The 160000-byte sample frame: building transmit templates, the default
 * codebook, the frame acceptance rule of the receiver, and the two
 * single-frame packers of the direct (non-streaming) path.
 * Pure functions; callable from any thread on buffers the caller owns.
 */

#include <stddef.h>
#include <stdint.h>

#include "kovra_frame_format.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Zero `frame`, lay down header, markers, trailer and (if given) codebook. */
void _init_frame_template(uint8_t *frame, const uint8_t *codebook);

/* Fill `codebook` (512 bytes) with the default: the first 410 bits set. */
void _default_codebook(uint8_t *codebook);

/* Number of set bits among the low 8 bits of `mask`. */
int _popcount_mask(uint32_t mask);

/* Start of the first run of 128 header bytes in buf[0..len), or -1. */
long _find_frame_start(const uint8_t *buf, size_t len);

/* 1 when a frame starting at `frame` passes the receiver's check. */
int _frame_accepted(const uint8_t *frame);

/*
 * Direct packing of one frame: the j-th enabled channel in slot j, Q in
 * bytes 0-1 and I in bytes 2-3. i_ptr[j]/q_ptr[j] point into an interleaved
 * I,Q int16 buffer of 4096 samples (q = i + 1). Returns 0.
 */
int __assemble_tx_frame(uint8_t *frame, const int16_t *const i_ptr[8],
                        const int16_t *const q_ptr[8], int count, size_t *frame_size);

/*
 * Direct unpacking of channel i (mask bit set, out[i] non-null): sample j is
 * the word at (880 + j) * n + k, k the rank of bit i in the mask. With
 * `convert`, out[i] is float I,Q scaled by 1/32767; otherwise int16 I,Q.
 */
int __disassemble_rx_frame(int convert, void *const out[8], const uint32_t *rx_words,
                           uint32_t count, uint32_t mask, int n, size_t *size);

#ifdef __cplusplus
}
#endif

#endif
