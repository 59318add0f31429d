#ifndef KOVRA_API_H
#define KOVRA_API_H

/*
 * kovra: driver library for the ZELT radar board over the Xilinx XDMA
 * character devices ("/dev/xdmaN_user", "/dev/xdmaN_h2c_0",
 * "/dev/xdmaN_c2h_0"). Set ZELT_XDMA_DIR to run against tools/xdma-sim.
 *
 * Conventions
 *   - Handles are opaque pointers; NULL on failure.
 *   - int results: 0 or a count on success, negative errno values on
 *     failure: -22 bad argument, -14 null device, -114 already running,
 *     -12 out of memory, -5 device I/O failure, -9 node not open,
 *     -19 node missing; -1 for a stream used before activation.
 *   - Progress goes to stdout, errors to stderr; nothing here aborts.
 *
 * Threads
 *   Each active stream direction runs two library threads per board: a
 *   worker moving whole frames between the direction's byte ring and the
 *   device node, and a flow-control thread polling one board register
 *   every millisecond and opening or closing the gate the worker waits on.
 *
 *   Life of a direction (start/stop = kovra_activate_stream /
 *   kovra_deactivate_stream, or kovra_start_* / kovra_stop_*):
 *
 *     STOPPED --start--> RUNNING --stop--> STOPPING --workers joined--> STOPPED
 *       (no threads;      (fresh ring,     (run flags cleared, ring shut
 *        ring absent or    worker + flow-   down, worker woken by SIGUSR1
 *        holding residue)  control alive)   until it has ended)
 *
 *   A worker that fails (allocation, device error, short payload) ends
 *   alone; the direction stays RUNNING until stopped. Stop returns within
 *   about a second even if the device stops moving data: the worker is
 *   signalled again and again until it leaves its device call.
 *
 *   Order: stop clears the worker's run flag, shuts the ring down, wakes
 *   and joins the worker, then clears and joins the flow-control thread.
 *   No library thread holds a lock; rings and gates are atomics.
 *
 *   The library installs a do-nothing SIGUSR1 handler (no SA_RESTART) when
 *   a device is opened, so blocked device calls return EINTR when stopped.
 *
 *   Which thread may call what:
 *     - device functions (open/close/setters/start/stop/flush): one
 *       controlling thread; setters may run while streams are active.
 *     - a stream is used by one thread at a time; kovra_write_stream is the
 *       only producer of the transmit ring, kovra_read_stream the only
 *       consumer of the receive ring.
 *     - getters, stats and diagnostics: any thread (snapshots).
 */

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define KOVRA_FORMAT_FLOAT 17
#define KOVRA_FORMAT_INT16 18

#define KOVRA_TX 0
#define KOVRA_RX 1

typedef struct kovra_device_descriptor kovra_device_descriptor;
typedef struct kovra_stream kovra_stream;
typedef struct kovra_transport kovra_transport;

typedef struct kovra_device_info {
    uint32_t id;          /* board index N of /dev/xdmaN_user */
    char label[64];       /* "ZELT XDMA SDR (id=N)" */
    char serial[32];      /* "UNKNOWN" when the window was readable, else "" */
    uint16_t num_channels;/* always 2 */
    uint8_t aurora_ok;    /* 1 when register word 0 is non-zero */
} kovra_device_info;

typedef struct kovra_flowctrl_status {
    int tx_allow;
    int rx_allow;
    int fc_tx_running;
    int fc_rx_running;
} kovra_flowctrl_status;

typedef struct kovra_ringbuf_status {
    int active;          /* 1 when the ring exists */
    uint64_t capacity;   /* bytes */
    uint64_t used;       /* bytes */
    uint64_t free;       /* bytes */
    double fill_percent; /* used / capacity x 100 */
    int shutdown;        /* the ring's shutdown flag */
} kovra_ringbuf_status;

/* ---- Devices ---------------------------------------------------------- */

/* Fills up to `len` entries for boards 0..7 present; returns how many, or
 * -22 for a null array or len 0. Caller owns the array. Any thread. */
int kovra_enumerate_devices(kovra_device_info *infos, size_t len);

/* Opens a board by option string ("devid:0,format:float;nsamples_recv_frame:4096",
 * any key may be absent; NULL means defaults). Returns a handle owned by
 * the caller until kovra_close_device, or NULL. */
kovra_device_descriptor *kovra_open_device(const char *options);

/* Closes nodes, unmaps, frees buffers and rings, frees the handle. All
 * streams must be deactivated and closed first. 0, or -22 for NULL. */
int kovra_close_device(kovra_device_descriptor *dev);

/* Stores 4000 through `version` when non-null; returns 0. */
int kovra_get_model_version(kovra_device_descriptor *dev, int *version);

/* Setters write one RF command to chip `chip_id` and cache the value on
 * success. Return 0, -14 for a null handle, or the command channel's error
 * (-22 bad chip id, -5 window not mapped). Controlling thread. */
int kovra_set_tx_lo_freq(kovra_device_descriptor *dev, uint8_t chip_id, uint64_t hz);
int kovra_set_rx_lo_freq(kovra_device_descriptor *dev, uint8_t chip_id, uint64_t hz);
int kovra_set_rx1_rf_gain(kovra_device_descriptor *dev, uint8_t chip_id, uint32_t v);
int kovra_set_rx2_rf_gain(kovra_device_descriptor *dev, uint8_t chip_id, uint32_t v);
int kovra_set_tx1_attenuation(kovra_device_descriptor *dev, uint8_t chip_id, uint32_t v);
int kovra_set_tx2_attenuation(kovra_device_descriptor *dev, uint8_t chip_id, uint32_t v);
int kovra_set_rx_sampling_freq(kovra_device_descriptor *dev, uint8_t chip_id, uint32_t hz);
int kovra_set_tx_sampling_freq(kovra_device_descriptor *dev, uint8_t chip_id, uint32_t hz);
int kovra_set_rx_rf_bandwidth(kovra_device_descriptor *dev, uint8_t chip_id, uint32_t hz);
int kovra_set_tx_rf_bandwidth(kovra_device_descriptor *dev, uint8_t chip_id, uint32_t hz);
int kovra_set_ref_clock(kovra_device_descriptor *dev, uint8_t chip_id, uint32_t v);
int kovra_set_duplex_select(kovra_device_descriptor *dev, uint8_t chip_id, uint32_t v);
int kovra_enable_timestamp(kovra_device_descriptor *dev, uint8_t chip_id, uint8_t on);
int kovra_set_hwbuf_depth(kovra_device_descriptor *dev, uint8_t chip_id, uint32_t v);
int kovra_set_pps_select(kovra_device_descriptor *dev, uint8_t chip_id, uint32_t v);
int kovra_set_auxdac1(kovra_device_descriptor *dev, uint8_t chip_id, uint32_t v);
int kovra_set_rx_ant_enable(kovra_device_descriptor *dev, uint8_t chip_id, uint8_t on);
int kovra_set_trxsw_fpga_enable(kovra_device_descriptor *dev, uint8_t chip_id, uint8_t on);

/* Getters return the cached value of the last successful setter (never
 * touch the board). 0, or -22 when a pointer is null. Any thread. */
int kovra_get_tx_lo_freq(kovra_device_descriptor *dev, uint64_t *hz);
int kovra_get_rx_lo_freq(kovra_device_descriptor *dev, uint64_t *hz);
int kovra_get_rx1_rf_gain(kovra_device_descriptor *dev, uint32_t *v);
int kovra_get_rx2_rf_gain(kovra_device_descriptor *dev, uint32_t *v);
int kovra_get_tx1_attenuation(kovra_device_descriptor *dev, uint32_t *v);
int kovra_get_tx2_attenuation(kovra_device_descriptor *dev, uint32_t *v);
int kovra_get_rx_sampling_freq(kovra_device_descriptor *dev, uint32_t *hz);
/* The chip id is accepted for symmetry with the setter and ignored. */
int kovra_get_tx_sampling_freq(kovra_device_descriptor *dev, uint8_t chip_id, uint32_t *hz);
int kovra_get_rx_rf_bandwidth(kovra_device_descriptor *dev, uint32_t *hz);
int kovra_get_tx_rf_bandwidth(kovra_device_descriptor *dev, uint32_t *hz);

/* Direct one-frame transfers (no streaming threads; must not run while a
 * stream of the board is active). Buffers are interleaved I,Q per channel,
 * float or int16 by the open option "format:". Return samples per channel
 * or a negative error. */
int kovra_write_samples_multiport(kovra_device_descriptor *dev, void *const bufs[8],
                                  int samples, uint32_t mask, uint64_t unused_time,
                                  int unused_flags);
int kovra_read_samples_multiport(kovra_device_descriptor *dev, void *const bufs[8],
                                 uint32_t samples, uint32_t mask, size_t *size);

/* ---- Streaming engine (controlling thread) ----------------------------- */

/* 0; -14 null device; -114 already running; -12 ring; -errno thread. */
int kovra_start_tx_streaming(kovra_device_descriptor *dev);
int kovra_start_rx_streaming(kovra_device_descriptor *dev);
/* 0 (also when stopped); -14 null device. Returns within about 1 s. */
int kovra_stop_tx_streaming(kovra_device_descriptor *dev);
int kovra_stop_rx_streaming(kovra_device_descriptor *dev);
/* Sends what a stopped transmit direction left in its ring, zero-padded to
 * whole frames. 0; -14; -12; -5; -114 while transmit is running. */
int kovra_flush_tx(kovra_device_descriptor *dev);

/* The transport behind a handle (for kovra_set_tx_codebook), or NULL. */
kovra_transport *kovra_get_transport(kovra_device_descriptor *dev);
/* Replaces the 512-byte transmit codebook (shorter input is zero-padded);
 * takes effect at the next transmit start. Copies the bytes. */
void kovra_set_tx_codebook(kovra_transport *t, const uint8_t *codebook, size_t len);

/* ---- Streams ------------------------------------------------------------ */

/* New stream of `direction` (KOVRA_TX / KOVRA_RX) in "CS16" (NULL too) or
 * "CF32" over hardware channels `channels[0..count)` (NULL: 0, 1, ...),
 * at most 8. Owned by the caller until kovra_close_stream; NULL on error. */
kovra_stream *kovra_setup_stream(kovra_device_descriptor *dev, int direction,
                                 const char *format, const uint64_t *channels, size_t count);
/* Deactivates if needed and frees the stream. 0, or -22 for NULL. */
int kovra_close_stream(kovra_device_descriptor *dev, kovra_stream *stream);
/* Starts the direction's engine. 0; -22; -114 already active / running. */
int kovra_activate_stream(kovra_device_descriptor *dev, kovra_stream *stream);
/* Stops the direction's engine. 0 (also when inactive); -22. */
int kovra_deactivate_stream(kovra_device_descriptor *dev, kovra_stream *stream);

/*
 * Interleaves `samples` samples of each channel buffer (buffer i feeds the
 * i-th channel of the stream; NULL sends zeros) into the transmit ring.
 * timeout_us: 0 takes what fits now and returns 0 when nothing fits;
 * > 0 waits at most that long for room for the whole block, then takes
 * what fits; < 0 waits without limit. Returns samples taken (whole
 * samples only), 0, -1 when inactive, -22, -12 or -5. flags and time are
 * unused. Caller's thread only (one thread per stream).
 */
int kovra_write_stream(kovra_device_descriptor *dev, kovra_stream *stream,
                       const void *const *buffs, size_t samples, int *flags,
                       long long time_ns, long timeout_us);

/*
 * Delivers at most min(max_samples, 4096) samples of the current received
 * frame into each buffer (NULL buffers are skipped); callers loop.
 * timeout_us as for writing: 0 never waits, > 0 waits at most that long
 * for frame data, < 0 waits without limit. Returns samples per buffer,
 * 0 when no frame is ready (or while searching for a frame start),
 * -1 when inactive, -22 or -5. Sets *time_ns to 0 when given.
 * Caller's thread only (one thread per stream).
 */
int kovra_read_stream(kovra_device_descriptor *dev, kovra_stream *stream,
                      void *const *buffs, size_t max_samples, int *flags,
                      long long *time_ns, long timeout_us);

/* Transmit stream: kovra_flush_tx's result; -22 otherwise. */
int kovra_flush_stream(kovra_device_descriptor *dev, kovra_stream *stream);
/* Frames accepted / rejected by a receive stream. 0, or -22. Any thread. */
int kovra_get_stream_stats(kovra_stream *stream, uint64_t *frames_ok, uint64_t *frames_bad);

/* ---- Sample conversion (pure, any thread) ------------------------------- */

/* out = rint(clamp(in x scale, -32768, 32767)), `count` elements. NaN
 * becomes -32768. */
void to_int16(int16_t *out, const float *in, size_t count, float scale);
/* out = in x scale, `count` elements. */
void to_float(float *out, const int16_t *in, size_t count, float scale);
/* 2 x `samples` elements at scale 32767; same results as to_int16. */
void to_int16_avx2(int16_t *out, const float *in, size_t samples);
/* 2 x `samples` elements, unscaled; same results as to_float at scale 1. */
void to_float_avx2(float *out, const int16_t *in, size_t samples);

/* ---- Diagnostics (any thread; lock-free snapshots) --------------------- */

/* 0, or -22 when dev, its transport or st is null. */
int kovra_get_flowctrl_status(kovra_device_descriptor *dev, kovra_flowctrl_status *st);
/* which: 0 transmit ring, anything else receive ring. 0, or -22. */
int kovra_get_ringbuf_status(kovra_device_descriptor *dev, int which, kovra_ringbuf_status *st);
/* Prints the boxed pipeline report on stdout. 0, or -22. */
int kovra_dump_pipeline_status(kovra_device_descriptor *dev);

#ifdef __cplusplus
}
#endif

#endif
