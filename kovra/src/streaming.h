#ifndef KOVRA_STREAMING_H
#define KOVRA_STREAMING_H

/*
 * Streaming engine: per direction a worker thread moving whole frames
 * between the direction's ring and the device node in batches, and a
 * flow-control thread copying one register bit into the gate every 1 ms.
 *
 * Transmit ring: payload rows exactly as they go into frames.
 * Receive ring: the raw card-to-host byte stream, unparsed.
 *
 * Run flags are written by the controlling thread (start/stop/flush) and
 * polled relaxed by the others; gates are written by the flow-control
 * threads with sequentially consistent stores. See kovra_api.h for the
 * lifecycle and the stop order.
 */

#include <stddef.h>
#include <stdint.h>

#include "transport.h"

#ifdef __cplusplus
extern "C" {
#endif

#define KOVRA_RING_CAPACITY 0x2000000u
#define KOVRA_FC_POLL_US 1000
#define KOVRA_GATE_WAIT_US 500
#define KOVRA_TX_MAX_BATCH 64
#define KOVRA_RX_MAX_BATCH 16

int start_tx_streaming(kovra_transport *t);
int start_rx_streaming(kovra_transport *t);
int stop_tx_streaming(kovra_transport *t);
int stop_rx_streaming(kovra_transport *t);
int flush_tx(kovra_transport *t);

void *fc_tx_thread_func(void *arg);
void *fc_rx_thread_func(void *arg);
void *tx_worker_thread_func(void *arg);
void *rx_worker_thread_func(void *arg);

#ifdef __cplusplus
}
#endif

#endif
