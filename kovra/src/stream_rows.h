#ifndef KOVRA_STREAM_ROWS_H
#define KOVRA_STREAM_ROWS_H

/*
 * Interleaving of per-channel sample buffers into 32-byte payload rows
 * (slot c = hardware channel c; I in bytes 0-1, Q in bytes 2-3) and back.
 * Pure functions; a vector path is used where the processor has AVX2 and
 * gives the same bytes as the scalar one.
 */

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* rows[j] slot c <- sample j of by_slot[c] (NULL: zero). cf32 selects the
 * float input rule (clamp, x 32767, truncate), else int16 copied. */
void _rows_pack(uint8_t *rows, const void *const by_slot[8], size_t n, int cf32);
void _rows_pack_scalar(uint8_t *rows, const void *const by_slot[8], size_t n, int cf32);

/* by_slot[c][j] <- rows[j] slot c for non-null by_slot[c]. cf32 stores
 * I / 32767.0 and Q / 32767.0 as floats, else the int16 values. */
void _rows_unpack(void *const by_slot[8], const uint8_t *rows, size_t n, int cf32);
void _rows_unpack_scalar(void *const by_slot[8], const uint8_t *rows, size_t n, int cf32);

#ifdef __cplusplus
}
#endif

#endif
