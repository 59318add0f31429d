/* One-frame transfers without the streaming threads. */
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "convert.h"
#include "frame.h"
#include "hw_access.h"
#include "transport.h"

int send_data_pcie(kovra_transport *t, void *const bufs[8], int samples, uint32_t mask,
                   uint64_t unused_time, int unused_flags)
{
    (void)unused_time;
    (void)unused_flags;
    if (!t || !t->link)
        return -22;
    if (t->link->h2c_fd < 0)
        return -9;
    if ((mask & 0xFFu) == 0 || !bufs || samples <= 0)
        return -22;
    if (!t->tx_meta[0]) {
        printf("[TX] Error: tx_meta buffer not initialized.\n");
        return -12;
    }
    int n = _popcount_mask(mask);
    if ((uint64_t)samples * (uint64_t)n > t->link->tx_limit) {
        printf("[TX] Error: Buffer overflow risk (req %u > max %u)\n",
               (unsigned)((uint64_t)samples * (uint64_t)n), t->link->tx_limit);
        return -22;
    }

    /* The frame always carries 4096 rows; shorter inputs are zero-padded
     * here so packing never reads past what the caller supplied. */
    const size_t per_ch = (size_t)KOVRA_SAMPLES_PER_FRAME * 2;
    const size_t take = (size_t)(samples < (int)KOVRA_SAMPLES_PER_FRAME ? samples
                                                                         : (int)KOVRA_SAMPLES_PER_FRAME);
    int16_t *conv = calloc((size_t)n * per_ch, sizeof(int16_t));
    if (!conv)
        return -12;
    const int16_t *iptr[8] = {0};
    const int16_t *qptr[8] = {0};
    int k = 0;
    for (int c = 0; c < 8; ++c) {
        if (!(mask & (1u << c)))
            continue;
        int16_t *seg = conv + (size_t)k * per_ch;
        if (bufs[c]) {
            if (t->link->format == KOVRA_FORMAT_FLOAT)
                to_int16(seg, bufs[c], take * 2, 32767.0f);
            else
                memcpy(seg, bufs[c], take * 2 * sizeof(int16_t));
        }
        iptr[k] = seg;
        qptr[k] = seg + 1;
        ++k;
    }
    __assemble_tx_frame(t->tx_meta[0], iptr, qptr, n, NULL);
    free(conv);
    if (_pwrite_all(t->link->h2c_fd, t->tx_meta[0], KOVRA_FRAME_SIZE, 0) != 0) {
        printf("[TX] pwrite failed: %s\n", strerror(errno));
        return -5;
    }
    return samples;
}

int recv_data_pcie(kovra_transport *t, void *const bufs[8], uint32_t samples, uint32_t mask,
                   size_t *size)
{
    if (!t || !t->link)
        return -22;
    if (t->link->c2h_fd < 0)
        return -9;
    if ((mask & 0xFFu) == 0 || !bufs)
        return -22;
    if (!t->rx_meta[0]) {
        printf("[RX] Error: rx_meta buffer not initialized.\n");
        return -12;
    }
    if (samples > KOVRA_SAMPLES_PER_FRAME) {
        printf("[RX] Error: req samples %u > max payload 4096\n", samples);
        return -22;
    }
    int n = _popcount_mask(mask);
    size_t total = (size_t)n * KOVRA_FRAME_SIZE;
    uint8_t *dst = t->rx_meta[0];
    size_t got = 0;
    while (got < total) {
        size_t chunk = total - got;
        if (chunk > KOVRA_HW_MAX_CHUNK)
            chunk = KOVRA_HW_MAX_CHUNK;
        ssize_t r = kovra_hw_pread(t->link->c2h_fd, dst + got, chunk, got);
        if (r < 0) {
            perror("[RX] pread failed");
            return -5;
        }
        /* End of data before the frames are complete: nothing valid to unpack. */
        if (r == 0)
            return -5;
        got += (size_t)r;
    }
    __disassemble_rx_frame(t->link->format == KOVRA_FORMAT_FLOAT, bufs,
                           (const uint32_t *)(const void *)dst, samples, mask, n, size);
    return (int)samples;
}
