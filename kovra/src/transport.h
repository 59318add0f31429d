#ifndef KOVRA_TRANSPORT_H
#define KOVRA_TRANSPORT_H

/*
 * Per-board context behind every handle: the three open XDMA nodes, the
 * mapped register window, staging buffers, the transmit codebook, and the
 * streaming engine's rings, threads and gates (see streaming.h).
 */

#include <pthread.h>
#include <stddef.h>
#include <stdint.h>

#include "kovra_api.h"
#include "kovra_atomic.h"
#include "spsc_ringbuf.h"

#ifdef __cplusplus
extern "C" {
#endif

#define KOVRA_STAGING_SIZE 0x20000080u
#define KOVRA_TX_SAMPLE_LIMIT 0xfffbfcu
#define KOVRA_DEFAULT_NSAMPLES_RECV_FRAME 30720u

typedef struct kovra_open_config {
    uint8_t devid;
    uint8_t num_channels;
    uint32_t nsamples_recv_frame;
    int format;
} kovra_open_config;

typedef struct kovra_pcie_link {
    uint32_t *map_base;
    int user_fd;
    int h2c_fd;
    int c2h_fd;
    uint32_t devid;
    int format;
    uint32_t tx_limit;
} kovra_pcie_link;

struct kovra_transport {
    kovra_open_config *config;
    kovra_pcie_link *link;
    void *tx_meta[8];
    void *rx_meta[8];

    spsc_ringbuf *tx_ring;
    spsc_ringbuf *rx_ring;

    pthread_t tx_worker;
    pthread_t rx_worker;
    pthread_t fc_tx_thread;
    pthread_t fc_rx_thread;
    KOVRA_ATOMIC(int) tx_running;
    KOVRA_ATOMIC(int) rx_running;
    KOVRA_ATOMIC(int) fc_tx_running;
    KOVRA_ATOMIC(int) fc_rx_running;
    /* Set by a worker as its last act, so a stop knows when to stop waking it. */
    KOVRA_ATOMIC(int) tx_worker_done;
    KOVRA_ATOMIC(int) rx_worker_done;
    KOVRA_ATOMIC(int) tx_allow;
    KOVRA_ATOMIC(int) rx_allow;

    uint8_t codebook[512];
    int codebook_valid;
};

struct kovra_device_descriptor {
    uint32_t id;
    uint16_t num_channels;
    kovra_transport *transport;
    uint64_t tx_lo_freq, rx_lo_freq;
    uint32_t tx_sampling_freq, rx_sampling_freq;
    uint32_t tx_rf_bandwidth, rx_rf_bandwidth;
    uint32_t rx1_rf_gain, rx2_rf_gain, tx1_attenuation, tx2_attenuation;
    uint32_t hwbuf_depth, ref_clock, duplex_select;
    uint8_t timestamp_enabled;
};

/* Register window access: single 32-bit loads and stores at a byte offset.
 * Atomic so the compiler neither tears, merges nor caches them (the board,
 * or another process standing in for it, changes them under us). */
static inline uint32_t _reg_read(const kovra_pcie_link *link, uint32_t offset)
{
    return __atomic_load_n(&link->map_base[offset / 4], __ATOMIC_RELAXED);
}
static inline void _reg_write(kovra_pcie_link *link, uint32_t offset, uint32_t v)
{
    __atomic_store_n(&link->map_base[offset / 4], v, __ATOMIC_RELAXED);
}

int __kovra_init_transport(kovra_transport *t);
int __kovra_deinit_transport(kovra_transport *t);
int init_pcie_interface(kovra_transport *t);
int deinit_pcie_interface(kovra_transport *t);

uint32_t _calc_reg_offset(uint8_t chip_id, uint8_t cmd_id);
int _extract_param(const void *p, int width, uint64_t *value);
int _store_param(void *p, int width, uint64_t value);
int send_cmd_pcie(kovra_transport *t, uint8_t chip_id, uint8_t cmd_id, const void *param,
                  int width);
int send_then_recv_cmd_pcie(kovra_transport *t, uint8_t chip_id, uint8_t cmd_id, void *param,
                            int width, uint8_t write);

int send_data_pcie(kovra_transport *t, void *const bufs[8], int samples, uint32_t mask,
                   uint64_t unused_time, int unused_flags);
int recv_data_pcie(kovra_transport *t, void *const bufs[8], uint32_t samples, uint32_t mask,
                   size_t *size);

/* Fills `cfg` from an option string such as "devid:0,format:float". */
void parse_value_from_string(const char *options, kovra_open_config *cfg);

void _sigusr1_handler(int signo);
void _install_sigusr1_handler(void);

#ifdef __cplusplus
}
#endif

#endif
