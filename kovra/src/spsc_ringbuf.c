#include "spsc_ringbuf.h"

#include <sched.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define CPU_RELAX() _mm_pause()
#else
#define CPU_RELAX() ((void)0)
#endif

enum { k_backoff_spins = 100, k_backoff_yields = 10 };

typedef struct {
    int spins;
    int yields;
} backoff_state;

uint64_t round_up_pow2(uint64_t n)
{
    if (n == 0)
        return 1;
    n--;
    n |= n >> 1;
    n |= n >> 2;
    n |= n >> 4;
    n |= n >> 8;
    n |= n >> 16;
    n |= n >> 32;
    return n + 1;
}

/* Short waits stay on the processor, long waits leave it. */
static int _backoff_wait(const spsc_ringbuf *rb, backoff_state *b)
{
    if (atomic_load_explicit(&rb->shutdown, memory_order_relaxed))
        return -1;
    if (b->spins < k_backoff_spins) {
        b->spins++;
        CPU_RELAX();
    } else if (b->yields < k_backoff_yields) {
        b->yields++;
        sched_yield();
    } else {
        usleep(1);
    }
    return 0;
}

static void _backoff_reset(backoff_state *b)
{
    b->spins = 0;
    b->yields = 0;
}

static void _copy_in(spsc_ringbuf *rb, const uint8_t *src, uint64_t counter, size_t len)
{
    uint64_t pos = counter & rb->mask;
    uint64_t room = rb->capacity - pos;
    if (len > room) {
        memcpy(rb->buffer + pos, src, room);
        memcpy(rb->buffer, src + room, len - room);
    } else {
        memcpy(rb->buffer + pos, src, len);
    }
}

static void _copy_out(const spsc_ringbuf *rb, uint8_t *dst, uint64_t counter, size_t len)
{
    uint64_t pos = counter & rb->mask;
    uint64_t room = rb->capacity - pos;
    if (len > room) {
        memcpy(dst, rb->buffer + pos, room);
        memcpy(dst + room, rb->buffer, len - room);
    } else {
        memcpy(dst, rb->buffer + pos, len);
    }
}

spsc_ringbuf *spsc_ringbuf_create(uint64_t min_capacity)
{
    uint64_t cap = round_up_pow2(min_capacity);
    if (cap < 4096)
        cap = 4096;

    spsc_ringbuf *rb = calloc(1, sizeof(*rb));
    if (!rb) {
        fprintf(stderr, "[SPSC] calloc failed for control struct\n");
        return NULL;
    }
    void *buf = NULL;
    int err = posix_memalign(&buf, 4096, cap);
    if (err != 0) {
        fprintf(stderr, "[SPSC] posix_memalign failed: %s\n", strerror(err));
        free(rb);
        return NULL;
    }
    rb->buffer = buf;
    rb->capacity = cap;
    rb->mask = cap - 1;
    atomic_store(&rb->head, 0);
    atomic_store(&rb->tail, 0);
    atomic_store(&rb->shutdown, 0);
    printf("[SPSC] Created: capacity=%zu bytes (%.1f MB), lock-free\n", (size_t)cap,
           (double)cap / 1048576.0);
    return rb;
}

void spsc_ringbuf_destroy(spsc_ringbuf *rb)
{
    if (!rb)
        return;
    free(rb->buffer);
    free(rb);
    printf("[SPSC] Destroyed.\n");
}

int spsc_ringbuf_write(spsc_ringbuf *rb, const void *src, size_t len)
{
    if (!rb || !src || len == 0)
        return -1;
    const uint8_t *p = src;
    size_t written = 0;
    backoff_state b = {0, 0};
    while (written < len) {
        if (atomic_load_explicit(&rb->shutdown, memory_order_relaxed))
            break;
        uint64_t head = atomic_load_explicit(&rb->head, memory_order_relaxed);
        uint64_t tail = atomic_load_explicit(&rb->tail, memory_order_acquire);
        uint64_t free_bytes = tail + rb->capacity - head;
        if (free_bytes == 0) {
            if (_backoff_wait(rb, &b) < 0)
                break;
            continue;
        }
        size_t chunk = len - written;
        if (chunk > free_bytes)
            chunk = (size_t)free_bytes;
        _copy_in(rb, p + written, head, chunk);
        atomic_store_explicit(&rb->head, head + chunk, memory_order_release);
        _backoff_reset(&b);
        written += chunk;
    }
    return (int)written;
}

int spsc_ringbuf_read(spsc_ringbuf *rb, void *dst, size_t max_len)
{
    if (!rb || !dst || max_len == 0)
        return -1;
    backoff_state b = {0, 0};
    for (;;) {
        uint64_t tail = atomic_load_explicit(&rb->tail, memory_order_relaxed);
        uint64_t head = atomic_load_explicit(&rb->head, memory_order_acquire);
        if (head != tail) {
            uint64_t n = head - tail;
            if (n > max_len)
                n = max_len;
            _copy_out(rb, dst, tail, (size_t)n);
            atomic_store_explicit(&rb->tail, tail + n, memory_order_release);
            return (int)n;
        }
        if (atomic_load_explicit(&rb->shutdown, memory_order_relaxed))
            return 0;
        if (_backoff_wait(rb, &b) < 0)
            return 0;
    }
}

int spsc_ringbuf_read_exact(spsc_ringbuf *rb, void *dst, size_t len)
{
    if (!rb || !dst || len == 0)
        return -1;
    if (len > rb->capacity) {
        fprintf(stderr, "[SPSC] read_exact: len=%zu > capacity=%zu\n", len, (size_t)rb->capacity);
        return -1;
    }
    uint8_t *p = dst;
    size_t got = 0;
    backoff_state b = {0, 0};
    while (got < len) {
        uint64_t tail = atomic_load_explicit(&rb->tail, memory_order_relaxed);
        uint64_t head = atomic_load_explicit(&rb->head, memory_order_acquire);
        if (head != tail) {
            uint64_t n = head - tail;
            if (n > len - got)
                n = len - got;
            _copy_out(rb, p + got, tail, (size_t)n);
            atomic_store_explicit(&rb->tail, tail + n, memory_order_release);
            got += (size_t)n;
            _backoff_reset(&b);
            continue;
        }
        if (atomic_load_explicit(&rb->shutdown, memory_order_relaxed))
            break;
        if (_backoff_wait(rb, &b) < 0)
            break;
    }
    return (int)got;
}

size_t spsc_ringbuf_peek(spsc_ringbuf *rb, const uint8_t **ptr)
{
    uint64_t tail = atomic_load_explicit(&rb->tail, memory_order_relaxed);
    uint64_t head = atomic_load_explicit(&rb->head, memory_order_acquire);
    uint64_t pos = tail & rb->mask;
    uint64_t n = head - tail;
    if (n > rb->capacity - pos)
        n = rb->capacity - pos;
    *ptr = rb->buffer + pos;
    return (size_t)n;
}

void spsc_ringbuf_consume(spsc_ringbuf *rb, size_t n)
{
    uint64_t tail = atomic_load_explicit(&rb->tail, memory_order_relaxed);
    atomic_store_explicit(&rb->tail, tail + n, memory_order_release);
}

size_t spsc_ringbuf_reserve(spsc_ringbuf *rb, uint8_t **ptr)
{
    uint64_t head = atomic_load_explicit(&rb->head, memory_order_relaxed);
    uint64_t tail = atomic_load_explicit(&rb->tail, memory_order_acquire);
    uint64_t pos = head & rb->mask;
    uint64_t n = tail + rb->capacity - head;
    if (n > rb->capacity - pos)
        n = rb->capacity - pos;
    *ptr = rb->buffer + pos;
    return (size_t)n;
}

void spsc_ringbuf_commit(spsc_ringbuf *rb, size_t n)
{
    uint64_t head = atomic_load_explicit(&rb->head, memory_order_relaxed);
    atomic_store_explicit(&rb->head, head + n, memory_order_release);
}

uint64_t spsc_ringbuf_available(const spsc_ringbuf *rb)
{
    if (!rb)
        return 0;
    /* Tail first: reading head first could see a tail that passed it. */
    uint64_t tail = atomic_load_explicit(&rb->tail, memory_order_acquire);
    uint64_t head = atomic_load_explicit(&rb->head, memory_order_acquire);
    uint64_t used = head - tail;
    /* A third thread may see the producer run ahead between the loads. */
    return used > rb->capacity ? rb->capacity : used;
}

uint64_t spsc_ringbuf_free_space(const spsc_ringbuf *rb)
{
    if (!rb)
        return 0;
    uint64_t head = atomic_load_explicit(&rb->head, memory_order_acquire);
    uint64_t tail = atomic_load_explicit(&rb->tail, memory_order_acquire);
    uint64_t free_bytes = tail + rb->capacity - head;
    return free_bytes > rb->capacity ? rb->capacity : free_bytes;
}

int spsc_ringbuf_is_shutdown(const spsc_ringbuf *rb)
{
    return rb ? atomic_load_explicit(&rb->shutdown, memory_order_relaxed) : 1;
}

void spsc_ringbuf_shutdown(spsc_ringbuf *rb)
{
    if (!rb)
        return;
    atomic_store(&rb->shutdown, 1);
    printf("[SPSC] Shutdown signaled.\n");
}

void spsc_ringbuf_reset(spsc_ringbuf *rb)
{
    if (!rb)
        return;
    atomic_store(&rb->head, 0);
    atomic_store(&rb->tail, 0);
    atomic_store(&rb->shutdown, 0);
}
