/* Streams: the caller-side half of streaming. Transmit interleaves the
 * caller's channel buffers into payload rows and pushes them into the
 * transmit ring; receive pulls raw bytes, finds and checks frames and hands
 * out the samples of one frame at a time. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include "frame.h"
#include "stream_rows.h"
#include "streaming.h"
#include "transport.h"

#define STAGING_INITIAL 0x20000u
#define ACCUM_SIZE (2u * KOVRA_FRAME_SIZE)
/* Sleep between looks at a ring while a bounded call waits. */
#define POLL_SLEEP_US 50

struct kovra_stream {
    kovra_device_descriptor *device;
    int direction;
    int active;
    uint64_t channels[8];
    int channel_valid[8]; /* entry named a hardware channel 0-7 */
    uint64_t channel_count;
    uint32_t channel_mask;
    int slot_map[8];
    char format[8];
    uint64_t sample_size;
    uint8_t *staging;
    uint64_t staging_size;
    uint8_t *accum;
    uint64_t fill;
    int synced;
    _Atomic uint64_t frames_ok;
    _Atomic uint64_t frames_bad;
    uint64_t remaining;
    uint64_t consumed;
    /* The current frame, when it is read in place from the receive ring
     * rather than from the accumulator (it is released when delivered). */
    const uint8_t *ring_frame;
};

static int64_t now_us(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (int64_t)ts.tv_sec * 1000000 + ts.tv_nsec / 1000;
}

/* Absolute deadline for a timeout in microseconds; -1 means none. */
static int64_t deadline_from(long timeout_us)
{
    return timeout_us < 0 ? -1 : now_us() + timeout_us;
}

static int expired(int64_t deadline)
{
    return deadline >= 0 && now_us() >= deadline;
}

kovra_stream *kovra_setup_stream(kovra_device_descriptor *dev, int direction, const char *format,
                                 const uint64_t *channels, size_t count)
{
    if (!dev || !dev->transport)
        return NULL;
    const char *fmt = format ? format : "CS16";
    if (strcmp(fmt, "CS16") != 0 && strcmp(fmt, "CF32") != 0) {
        fprintf(stderr, "[Stream] Unsupported format: %s (use CS16 or CF32)\n", fmt);
        return NULL;
    }
    kovra_stream *s = calloc(1, sizeof *s);
    if (!s)
        return NULL;
    s->device = dev;
    s->direction = direction == KOVRA_RX ? KOVRA_RX : KOVRA_TX;
    snprintf(s->format, sizeof s->format, "%s", fmt);
    s->sample_size = strcmp(fmt, "CF32") == 0 ? 8 : 4;
    for (int c = 0; c < 8; ++c)
        s->slot_map[c] = -1;
    s->channel_count = count < 8 ? count : 8;
    for (size_t i = 0; i < s->channel_count; ++i) {
        uint64_t c = channels ? channels[i] : i;
        if (c <= 7) {
            s->channels[i] = c;
            s->channel_valid[i] = 1;
            s->channel_mask |= 1u << c;
            s->slot_map[c] = (int)i;
        }
    }
    printf("[Stream] Setup: direction=%s, format=%s, channels=%zu, mask=0x%X\n",
           s->direction == KOVRA_RX ? "RX" : "TX", s->format, (size_t)s->channel_count,
           s->channel_mask);
    s->staging = malloc(STAGING_INITIAL);
    s->staging_size = STAGING_INITIAL;
    if (s->direction == KOVRA_RX)
        s->accum = malloc(ACCUM_SIZE);
    if (!s->staging || (s->direction == KOVRA_RX && !s->accum)) {
        free(s->staging);
        free(s->accum);
        free(s);
        return NULL;
    }
    return s;
}

int kovra_activate_stream(kovra_device_descriptor *dev, kovra_stream *s)
{
    if (!dev || !dev->transport || !s)
        return -22;
    if (s->active)
        return -114;
    int r = s->direction == KOVRA_RX ? start_rx_streaming(dev->transport)
                                     : start_tx_streaming(dev->transport);
    if (r == 0)
        s->active = 1;
    return r;
}

int kovra_deactivate_stream(kovra_device_descriptor *dev, kovra_stream *s)
{
    if (!dev || !dev->transport || !s)
        return -22;
    if (!s->active)
        return 0;
    int r = s->direction == KOVRA_RX ? stop_rx_streaming(dev->transport)
                                     : stop_tx_streaming(dev->transport);
    s->active = 0;
    if (s->ring_frame) {
        /* The ring is replaced at the next start; the frame being handed
         * out moves to the accumulator, where framing state lives. */
        memcpy(s->accum, s->ring_frame, KOVRA_FRAME_SIZE);
        s->fill = KOVRA_FRAME_SIZE;
        spsc_ringbuf_consume(dev->transport->rx_ring, KOVRA_FRAME_SIZE);
        s->ring_frame = NULL;
    }
    return r;
}

int kovra_close_stream(kovra_device_descriptor *dev, kovra_stream *s)
{
    if (!s)
        return -22;
    if (s->active)
        kovra_deactivate_stream(dev ? dev : s->device, s);
    free(s->staging);
    free(s->accum);
    printf("[Stream] Closed.\n");
    free(s);
    return 0;
}

/* Waits until `ok(ring)` holds, the ring shuts down or the deadline passes.
 * 1 when the condition holds. */
static int wait_ring(const spsc_ringbuf *ring, uint64_t need_used, uint64_t need_free,
                     int64_t deadline)
{
    for (;;) {
        if (need_used && spsc_ringbuf_available(ring) >= need_used)
            return 1;
        if (need_free && spsc_ringbuf_free_space(ring) >= need_free)
            return 1;
        if (spsc_ringbuf_is_shutdown(ring) || expired(deadline))
            return 0;
        usleep(POLL_SLEEP_US);
    }
}

int kovra_write_stream(kovra_device_descriptor *dev, kovra_stream *s, const void *const *buffs,
                       size_t samples, int *flags, long long time_ns, long timeout_us)
{
    (void)flags;
    (void)time_ns;
    if (!dev || !dev->transport || !s || !buffs || s->direction != KOVRA_TX)
        return -22;
    spsc_ringbuf *ring = dev->transport->tx_ring;
    if (!s->active || !ring)
        return -1;
    if (samples == 0)
        return 0;

    size_t take = samples;
    if (timeout_us >= 0) {
        /* Room for the whole block if it can ever fit, else for anything. */
        uint64_t cap_rows = ring->capacity / KOVRA_ROW_BYTES;
        uint64_t want_rows = samples < cap_rows ? samples : cap_rows;
        wait_ring(ring, 0, want_rows * KOVRA_ROW_BYTES, deadline_from(timeout_us));
        uint64_t fit = spsc_ringbuf_free_space(ring) / KOVRA_ROW_BYTES;
        if (fit < take)
            take = (size_t)fit;
        if (take == 0 || spsc_ringbuf_is_shutdown(ring))
            return 0;
    }

    uint64_t need = (uint64_t)take * KOVRA_ROW_BYTES;
    if (need > s->staging_size) {
        uint8_t *p = realloc(s->staging, need);
        if (!p)
            return -12;
        s->staging = p;
        s->staging_size = need;
    }
    const void *by_slot[8];
    for (int c = 0; c < 8; ++c)
        by_slot[c] = s->slot_map[c] < 0 ? NULL : buffs[s->slot_map[c]];
    _rows_pack(s->staging, by_slot, take, s->sample_size == 8);

    /* With a timeout the room was checked above, so this does not wait. */
    int r = spsc_ringbuf_write(ring, s->staging, (size_t)need);
    if (r < 0)
        return -5;
    return (int)((size_t)r / KOVRA_ROW_BYTES);
}

/* Reads what the receive ring holds into the accumulator, waiting up to the
 * deadline for something to arrive. >0 bytes, 0 nothing (timeout or ring
 * shut down and empty), <0 ring error. */
static int fill_accum(kovra_stream *s, spsc_ringbuf *ring, int64_t deadline)
{
    /* Once in step with the frames, take only what completes the current
     * one, so a consumed frame leaves nothing behind to move. */
    size_t room = s->synced ? KOVRA_FRAME_SIZE - (size_t)s->fill : ACCUM_SIZE - (size_t)s->fill;
    if (deadline >= 0 && !wait_ring(ring, 1, 0, deadline)) {
        if (spsc_ringbuf_available(ring) == 0)
            return 0;
    }
    int r = spsc_ringbuf_read(ring, s->accum + s->fill, room);
    if (r > 0)
        s->fill += (uint64_t)r;
    return r;
}

static void drop_front(kovra_stream *s, uint64_t n)
{
    memmove(s->accum, s->accum + n, (size_t)(s->fill - n));
    s->fill -= n;
}

/* Brings a checked frame to the front of the accumulator. 1 when one is
 * ready, 0 when none is ready yet, <0 on a ring error. */
static int acquire_frame(kovra_stream *s, spsc_ringbuf *ring, int64_t deadline)
{
    for (;;) {
        if (s->synced && s->fill == 0) {
            /* In step with the frames and nothing held back: a frame that
             * lies whole in the ring is checked and handed out in place,
             * saving a copy of every frame. */
            wait_ring(ring, KOVRA_FRAME_SIZE, 0, deadline);
            const uint8_t *p;
            if (spsc_ringbuf_peek(ring, &p) >= KOVRA_FRAME_SIZE) {
                if (_frame_accepted(p)) {
                    atomic_fetch_add_explicit(&s->frames_ok, 1, memory_order_relaxed);
                    s->ring_frame = p;
                    s->remaining = KOVRA_SAMPLES_PER_FRAME;
                    s->consumed = 0;
                    return 1;
                }
                atomic_fetch_add_explicit(&s->frames_bad, 1, memory_order_relaxed);
                spsc_ringbuf_consume(ring, KOVRA_HEADER_SIZE);
                s->synced = 0;
                continue;
            }
        }
        while (s->fill < KOVRA_FRAME_SIZE) {
            int r = fill_accum(s, ring, deadline);
            if (r < 0)
                return -5;
            if (r == 0)
                return 0;
        }
        if (!s->synced) {
            long p = _find_frame_start(s->accum, (size_t)s->fill);
            if (p < 0) {
                /* A header may straddle the end: keep its possible start. */
                if (s->fill >= KOVRA_HEADER_SIZE)
                    drop_front(s, s->fill - (KOVRA_HEADER_SIZE - 1));
                return 0;
            }
            drop_front(s, (uint64_t)p);
            s->synced = 1;
            if (s->fill < KOVRA_FRAME_SIZE)
                return 0;
        }
        if (_frame_accepted(s->accum)) {
            atomic_fetch_add_explicit(&s->frames_ok, 1, memory_order_relaxed);
            s->remaining = KOVRA_SAMPLES_PER_FRAME;
            s->consumed = 0;
            return 1;
        }
        atomic_fetch_add_explicit(&s->frames_bad, 1, memory_order_relaxed);
        drop_front(s, KOVRA_HEADER_SIZE);
        s->synced = 0;
    }
}

int kovra_read_stream(kovra_device_descriptor *dev, kovra_stream *s, void *const *buffs,
                      size_t max_samples, int *flags, long long *time_ns, long timeout_us)
{
    (void)flags;
    if (!dev || !dev->transport || !s || !buffs || s->direction != KOVRA_RX)
        return -22;
    spsc_ringbuf *ring = dev->transport->rx_ring;
    if (!s->active || !ring)
        return -1;
    if (max_samples == 0)
        return 0;
    if (time_ns)
        *time_ns = 0;

    if (s->remaining == 0) {
        int r = acquire_frame(s, ring, deadline_from(timeout_us));
        if (r <= 0)
            return r;
    }
    size_t n = max_samples < s->remaining ? max_samples : (size_t)s->remaining;
    const uint8_t *frame = s->ring_frame ? s->ring_frame : s->accum;
    const uint8_t *rows = frame + KOVRA_PAYLOAD_OFFSET + (size_t)s->consumed * KOVRA_ROW_BYTES;

    void *by_slot[8] = {0};
    int duplicate = 0;
    for (size_t i = 0; i < s->channel_count; ++i) {
        /* A buffer for a channel the board does not have is left alone. */
        if (!buffs[i] || !s->channel_valid[i])
            continue;
        if (by_slot[s->channels[i]])
            duplicate = 1;
        by_slot[s->channels[i]] = buffs[i];
    }
    _rows_unpack(by_slot, rows, n, s->sample_size == 8);
    if (duplicate) {
        /* Two caller buffers on one channel: fill the ones the map skipped. */
        for (size_t i = 0; i < s->channel_count; ++i) {
            if (!buffs[i] || !s->channel_valid[i] || by_slot[s->channels[i]] == buffs[i])
                continue;
            void *one[8] = {0};
            one[s->channels[i]] = buffs[i];
            _rows_unpack(one, rows, n, s->sample_size == 8);
        }
    }

    s->consumed += n;
    s->remaining -= n;
    if (s->remaining == 0) {
        if (s->ring_frame) {
            spsc_ringbuf_consume(ring, KOVRA_FRAME_SIZE);
            s->ring_frame = NULL;
        } else {
            drop_front(s, KOVRA_FRAME_SIZE);
        }
    }
    return (int)n;
}

int kovra_flush_stream(kovra_device_descriptor *dev, kovra_stream *s)
{
    if (!dev || !dev->transport || !s || s->direction != KOVRA_TX)
        return -22;
    return flush_tx(dev->transport);
}

int kovra_get_stream_stats(kovra_stream *s, uint64_t *frames_ok, uint64_t *frames_bad)
{
    if (!s)
        return -22;
    if (frames_ok)
        *frames_ok = atomic_load_explicit(&s->frames_ok, memory_order_relaxed);
    if (frames_bad)
        *frames_bad = atomic_load_explicit(&s->frames_bad, memory_order_relaxed);
    return 0;
}
