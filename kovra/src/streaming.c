#include "streaming.h"

#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include "frame.h"
#include "hw_access.h"

#define TX_BATCH_BYTES ((size_t)KOVRA_TX_MAX_BATCH * KOVRA_FRAME_SIZE)
#define RX_BATCH_BYTES ((size_t)KOVRA_RX_MAX_BATCH * KOVRA_FRAME_SIZE)
/* How often a stop repeats its wake-up signal while the worker is still
 * inside a device call. */
#define STOP_WAKE_PERIOD_US 2000

static int run_flag(const atomic_int *f)
{
    return atomic_load_explicit(f, memory_order_relaxed);
}

static void set_run_flag(atomic_int *f, int v)
{
    atomic_store_explicit(f, v, memory_order_relaxed);
}

static int link_window_ok(const kovra_transport *t)
{
    return t->link && t->link->map_base && (void *)t->link->map_base != (void *)-1;
}

static void *flow_control_loop(kovra_transport *t, const char *tag, uint32_t reg,
                               atomic_int *allow, atomic_int *running)
{
    if (!link_window_ok(t)) {
        fprintf(stderr, "%s map_base invalid, flow control disabled.\n", tag);
        atomic_store(allow, 1);
        return NULL;
    }
    printf("%s Flow control thread started (poll=%d us).\n", tag, KOVRA_FC_POLL_US);
    while (run_flag(running)) {
        atomic_store(allow, (int)(_reg_read(t->link, reg) & 1u));
        usleep(KOVRA_FC_POLL_US);
    }
    printf("%s Flow control thread exited.\n", tag);
    return NULL;
}

void *fc_tx_thread_func(void *arg)
{
    kovra_transport *t = arg;
    return flow_control_loop(t, "[FC-TX]", KOVRA_REG_TX_FLOWCTRL, &t->tx_allow, &t->fc_tx_running);
}

void *fc_rx_thread_func(void *arg)
{
    kovra_transport *t = arg;
    return flow_control_loop(t, "[FC-RX]", KOVRA_REG_RX_FLOWCTRL, &t->rx_allow, &t->fc_rx_running);
}

/* Waits for the gate to open; 0 when open, -1 when the direction stops. */
static int wait_gate(atomic_int *allow, const atomic_int *running)
{
    while (atomic_load(allow) == 0) {
        if (!run_flag(running))
            return -1;
        usleep(KOVRA_GATE_WAIT_US);
    }
    return 0;
}

void *tx_worker_thread_func(void *arg)
{
    kovra_transport *t = arg;
    uint8_t *batch = NULL;
    if (posix_memalign((void **)&batch, 4096, TX_BATCH_BYTES) != 0) {
        fprintf(stderr, "[TX Worker] Failed to allocate batch buffer (%zu bytes)\n", TX_BATCH_BYTES);
        atomic_store(&t->tx_worker_done, 1);
        return NULL;
    }
    for (int f = 0; f < KOVRA_TX_MAX_BATCH; ++f)
        _init_frame_template(batch + (size_t)f * KOVRA_FRAME_SIZE,
                             t->codebook_valid ? t->codebook : NULL);
    printf("[TX Worker] Started (BATCH mode). max_batch=%d, batch_buf=%zu bytes, payload=%zu bytes/frame\n",
           KOVRA_TX_MAX_BATCH, TX_BATCH_BYTES, (size_t)KOVRA_PAYLOAD_SIZE);

    while (run_flag(&t->tx_running)) {
        uint64_t k = spsc_ringbuf_available(t->tx_ring) / KOVRA_PAYLOAD_SIZE;
        if (k > KOVRA_TX_MAX_BATCH)
            k = KOVRA_TX_MAX_BATCH;
        if (k < 2) {
            int r = spsc_ringbuf_read_exact(t->tx_ring, batch + KOVRA_PAYLOAD_OFFSET, KOVRA_PAYLOAD_SIZE);
            if (r <= 0)
                break;
            if ((size_t)r < KOVRA_PAYLOAD_SIZE) {
                printf("[TX Worker] Incomplete payload (%d/%zu), discarding.\n", r,
                       (size_t)KOVRA_PAYLOAD_SIZE);
                break;
            }
            k = 1;
        } else {
            uint64_t done = 0;
            for (; done < k; ++done) {
                int r = spsc_ringbuf_read_exact(
                    t->tx_ring, batch + done * KOVRA_FRAME_SIZE + KOVRA_PAYLOAD_OFFSET, KOVRA_PAYLOAD_SIZE);
                if (r < (int)KOVRA_PAYLOAD_SIZE)
                    break;
            }
            k = done;
            if (k == 0)
                break;
        }
        if (wait_gate(&t->tx_allow, &t->tx_running) != 0)
            break;
        if (_pwrite_all(t->link->h2c_fd, batch, (size_t)k * KOVRA_FRAME_SIZE, 0) != 0) {
            /* A write cut short after a stop is the stop's own wake-up. */
            if (run_flag(&t->tx_running))
                fprintf(stderr, "[TX Worker] pwrite failed: %s\n", strerror(errno));
            break;
        }
    }
    free(batch);
    printf("[TX Worker] Exited.\n");
    atomic_store(&t->tx_worker_done, 1);
    return NULL;
}

void *rx_worker_thread_func(void *arg)
{
    kovra_transport *t = arg;
    uint8_t *buf = NULL;
    if (posix_memalign((void **)&buf, 4096, RX_BATCH_BYTES) != 0) {
        fprintf(stderr, "[RX Worker] Failed to allocate batch buffer (%zu bytes)\n", RX_BATCH_BYTES);
        atomic_store(&t->rx_worker_done, 1);
        return NULL;
    }
    printf("[RX Worker] Started (BATCH mode). max_batch=%d, buf=%zu bytes (raw -> ringbuf)\n",
           KOVRA_RX_MAX_BATCH, RX_BATCH_BYTES);
    while (run_flag(&t->rx_running)) {
        if (wait_gate(&t->rx_allow, &t->rx_running) != 0)
            break;
        /* Read straight into the ring when a whole request fits there in
         * one piece; near the ring's end go through the batch buffer. The
         * request size stays the same either way, since a node that is a
         * plain file hands out its content from the start on every read. */
        uint8_t *dst;
        size_t room = spsc_ringbuf_reserve(t->rx_ring, &dst);
        int direct = room >= RX_BATCH_BYTES;
        if (!direct && spsc_ringbuf_free_space(t->rx_ring) >= RX_BATCH_BYTES)
            dst = buf;
        else if (!direct) {
            if (spsc_ringbuf_is_shutdown(t->rx_ring))
                break;
            usleep(50);
            continue;
        }
        ssize_t r = kovra_hw_pread(t->link->c2h_fd, dst, RX_BATCH_BYTES, 0);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            fprintf(stderr, "[RX Worker] pread failed: %s\n", strerror(errno));
            break;
        }
        if (r == 0)
            break;
        if (direct)
            spsc_ringbuf_commit(t->rx_ring, (size_t)r);
        else if (spsc_ringbuf_write(t->rx_ring, buf, (size_t)r) <= 0)
            break;
    }
    free(buf);
    printf("[RX Worker] Exited.\n");
    atomic_store(&t->rx_worker_done, 1);
    return NULL;
}

typedef struct direction {
    const char *tag;
    spsc_ringbuf **ring;
    pthread_t *worker;
    pthread_t *fc;
    atomic_int *running;
    atomic_int *fc_running;
    atomic_int *worker_done;
    atomic_int *allow;
    void *(*worker_fn)(void *);
    void *(*fc_fn)(void *);
    const char *fc_name;
} direction;

static direction tx_dir(kovra_transport *t)
{
    direction d = {"[TX]", &t->tx_ring, &t->tx_worker, &t->fc_tx_thread, &t->tx_running,
                   &t->fc_tx_running, &t->tx_worker_done, &t->tx_allow, tx_worker_thread_func,
                   fc_tx_thread_func, "fc_tx"};
    return d;
}

static direction rx_dir(kovra_transport *t)
{
    direction d = {"[RX]", &t->rx_ring, &t->rx_worker, &t->fc_rx_thread, &t->rx_running,
                   &t->fc_rx_running, &t->rx_worker_done, &t->rx_allow, rx_worker_thread_func,
                   fc_rx_thread_func, "fc_rx"};
    return d;
}

static int start_direction(kovra_transport *t, direction d)
{
    if (!t || !t->link)
        return -22;
    if (run_flag(d.running)) {
        fprintf(stderr, "%s Streaming already started.\n", d.tag);
        return -114;
    }
    /* The stop wakes workers with SIGUSR1; without the handler the signal
     * would end the process. */
    _install_sigusr1_handler();
    spsc_ringbuf_destroy(*d.ring);
    *d.ring = spsc_ringbuf_create(KOVRA_RING_CAPACITY);
    if (!*d.ring) {
        fprintf(stderr, "%s Failed to create ring buffer.\n", d.tag);
        return -12;
    }
    atomic_exchange(d.allow, 1);
    set_run_flag(d.fc_running, 1);
    int err = pthread_create(d.fc, NULL, d.fc_fn, t);
    if (err != 0) {
        fprintf(stderr, "%s %s pthread_create failed: %s\n", d.tag, d.fc_name, strerror(err));
        spsc_ringbuf_destroy(*d.ring);
        *d.ring = NULL;
        set_run_flag(d.fc_running, 0);
        return -err;
    }
    atomic_store(d.worker_done, 0);
    set_run_flag(d.running, 1);
    err = pthread_create(d.worker, NULL, d.worker_fn, t);
    if (err != 0) {
        fprintf(stderr, "%s pthread_create failed: %s\n", d.tag, strerror(err));
        set_run_flag(d.running, 0);
        set_run_flag(d.fc_running, 0);
        pthread_join(*d.fc, NULL);
        spsc_ringbuf_destroy(*d.ring);
        *d.ring = NULL;
        return -err;
    }
    printf("%s Streaming started.\n", d.tag);
    return 0;
}

/*
 * A worker may sit in a device read or write that only a signal ends; one
 * signal can be lost when it lands just before the call is entered, so the
 * wake-up is repeated until the worker reports that it has left.
 */
static void wake_and_join(pthread_t th, atomic_int *done)
{
    while (!atomic_load(done)) {
        pthread_kill(th, SIGUSR1);
        usleep(STOP_WAKE_PERIOD_US);
    }
    pthread_join(th, NULL);
}

static int stop_direction(kovra_transport *t, direction d)
{
    if (!t)
        return -22;
    if (!run_flag(d.running))
        return 0;
    set_run_flag(d.running, 0);
    spsc_ringbuf_shutdown(*d.ring);
    wake_and_join(*d.worker, d.worker_done);
    set_run_flag(d.fc_running, 0);
    pthread_join(*d.fc, NULL);
    printf("%s Streaming stopped.\n", d.tag);
    return 0;
}

int start_tx_streaming(kovra_transport *t)
{
    return t ? start_direction(t, tx_dir(t)) : -22;
}

int start_rx_streaming(kovra_transport *t)
{
    return t ? start_direction(t, rx_dir(t)) : -22;
}

int stop_tx_streaming(kovra_transport *t)
{
    return t ? stop_direction(t, tx_dir(t)) : -22;
}

int stop_rx_streaming(kovra_transport *t)
{
    return t ? stop_direction(t, rx_dir(t)) : -22;
}

int flush_tx(kovra_transport *t)
{
    if (!t || !t->link)
        return -22;
    if (!t->tx_ring)
        return 0;
    /* The ring has one consumer: while the worker runs, it is the worker. */
    if (run_flag(&t->tx_running))
        return -114;
    uint64_t residue = spsc_ringbuf_available(t->tx_ring);
    if (residue == 0) {
        printf("[TX Flush] No residual data.\n");
        return 0;
    }
    printf("[TX Flush] Flushing %zu residual bytes...\n", (size_t)residue);
    uint8_t *block = NULL;
    if (posix_memalign((void **)&block, 4096, KOVRA_FRAME_SIZE) != 0) {
        fprintf(stderr, "[TX Flush] Failed to allocate frame buffer\n");
        return -12;
    }
    while (residue > 0) {
        memset(block, 0, KOVRA_FRAME_SIZE);
        size_t want = residue < KOVRA_FRAME_SIZE ? (size_t)residue : KOVRA_FRAME_SIZE;
        int r = spsc_ringbuf_read(t->tx_ring, block, want);
        if (r <= 0)
            break;
        if (_pwrite_all(t->link->h2c_fd, block, KOVRA_FRAME_SIZE, 0) != 0) {
            printf("[TX Flush] pwrite failed: %s\n", strerror(errno));
            free(block);
            return -5;
        }
        printf("[TX Flush] Sent padded frame (%d valid + %zu padding bytes)\n", r,
               (size_t)KOVRA_FRAME_SIZE - (size_t)r);
        residue -= (uint64_t)r;
    }
    free(block);
    printf("[TX Flush] Complete.\n");
    return 0;
}

void kovra_set_tx_codebook(kovra_transport *t, const uint8_t *codebook, size_t len)
{
    if (!t || !codebook)
        return;
    size_t n = len < KOVRA_CODEBOOK_SIZE ? len : KOVRA_CODEBOOK_SIZE;
    memcpy(t->codebook, codebook, n);
    if (n < KOVRA_CODEBOOK_SIZE)
        memset(t->codebook + n, 0, KOVRA_CODEBOOK_SIZE - n);
    t->codebook_valid = 1;
    printf("[TX] Codebook set (%zu bytes).\n", n);
}
