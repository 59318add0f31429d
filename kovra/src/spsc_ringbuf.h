#ifndef KOVRA_SPSC_RINGBUF_H
#define KOVRA_SPSC_RINGBUF_H

/*
 * Lock-free single-producer single-consumer byte ring between a caller's
 * thread and a streaming worker. Counters run freely (never wrapped); the
 * byte for counter value c lives at buffer[c & mask]. Both ends wait with a
 * spin / yield / 1 us sleep backoff; the shutdown flag releases them.
 *
 * Exactly one thread writes and one thread reads a ring. available(),
 * free_space() and is_shutdown() may be called from any thread (snapshot).
 * shutdown() may be called from a third, controlling thread. reset() and
 * destroy() only while neither end is inside a call.
 */

#include "kovra_atomic.h"
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct spsc_ringbuf {
    uint8_t *buffer;
    uint64_t capacity;
    uint64_t mask;
    KOVRA_ALIGNAS(64) KOVRA_ATOMIC(uint64_t) head; /* total bytes written; producer only */
    KOVRA_ALIGNAS(64) KOVRA_ATOMIC(uint64_t) tail; /* total bytes read; consumer only */
    KOVRA_ALIGNAS(64) KOVRA_ATOMIC(int) shutdown;
    char pad_[60];
} spsc_ringbuf;

uint64_t round_up_pow2(uint64_t n);

/* New ring of at least `min_capacity` bytes (power of two, >= 4096), or NULL. */
spsc_ringbuf *spsc_ringbuf_create(uint64_t min_capacity);
void spsc_ringbuf_destroy(spsc_ringbuf *rb);

/* Bytes written (waits for room); stops early at shutdown; -1 bad args. */
int spsc_ringbuf_write(spsc_ringbuf *rb, const void *src, size_t len);
/* Bytes read (>= 1, waits for data); 0 after shutdown with the ring empty. */
int spsc_ringbuf_read(spsc_ringbuf *rb, void *dst, size_t max_len);
/* len, or fewer after shutdown; -1 bad args or len > capacity. */
int spsc_ringbuf_read_exact(spsc_ringbuf *rb, void *dst, size_t len);

/*
 * Zero-copy access for the two ends. peek (consumer) gives the unread bytes
 * that lie contiguously at the read position and consume releases n of
 * them; reserve (producer) gives the contiguous free space at the write
 * position and commit publishes n bytes written there. Neither waits.
 */
size_t spsc_ringbuf_peek(spsc_ringbuf *rb, const uint8_t **ptr);
void spsc_ringbuf_consume(spsc_ringbuf *rb, size_t n);
size_t spsc_ringbuf_reserve(spsc_ringbuf *rb, uint8_t **ptr);
void spsc_ringbuf_commit(spsc_ringbuf *rb, size_t n);

uint64_t spsc_ringbuf_available(const spsc_ringbuf *rb);
uint64_t spsc_ringbuf_free_space(const spsc_ringbuf *rb);
int spsc_ringbuf_is_shutdown(const spsc_ringbuf *rb);
void spsc_ringbuf_shutdown(spsc_ringbuf *rb);
void spsc_ringbuf_reset(spsc_ringbuf *rb);

#ifdef __cplusplus
}
#endif

#endif
