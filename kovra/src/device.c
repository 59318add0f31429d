/* Boards: enumeration, option strings, open/close and the RF setters with
 * their cache. */
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>

#include "hw_access.h"
#include "streaming.h"
#include "transport.h"

#define KOVRA_MAX_BOARDS 8u

int kovra_enumerate_devices(kovra_device_info *infos, size_t len)
{
    if (!infos || len == 0)
        return -22;
    int found = 0;
    for (unsigned i = 0; i < KOVRA_MAX_BOARDS && (size_t)found < len; ++i) {
        char node[64];
        snprintf(node, sizeof node, "/dev/xdma%u_user", i);
        if (kovra_hw_node_exists(node) != 0)
            continue;
        kovra_device_info *d = &infos[found++];
        memset(d, 0, sizeof *d);
        d->id = i;
        snprintf(d->label, sizeof d->label, "ZELT XDMA SDR (id=%u)", i);
        d->num_channels = 2;
        int fd = kovra_hw_open(node, O_RDWR | O_SYNC);
        if (fd < 0)
            continue;
        void *map = kovra_hw_map(fd, 4096, PROT_READ);
        if (map != MAP_FAILED) {
            d->aurora_ok = __atomic_load_n((const uint32_t *)map, __ATOMIC_RELAXED) != 0;
            snprintf(d->serial, sizeof d->serial, "UNKNOWN");
            kovra_hw_unmap(map, 4096);
        }
        kovra_hw_close(fd);
    }
    return found;
}

/* Value of `key` in `opts`: from after the key to the end, ',' or ';',
 * at most 127 characters. 1 when found. */
static int option_value(const char *opts, const char *key, char *out, size_t out_len)
{
    const char *p = strstr(opts, key);
    if (!p)
        return 0;
    p += strlen(key);
    size_t n = strcspn(p, ",;");
    if (n > 127)
        n = 127;
    if (n >= out_len)
        n = out_len - 1;
    memcpy(out, p, n);
    out[n] = '\0';
    return 1;
}

void parse_value_from_string(const char *options, kovra_open_config *cfg)
{
    if (!options || !cfg)
        return;
    char buf[256];
    snprintf(buf, sizeof buf, "%s", options);
    char v[128];
    if (option_value(buf, "devid:", v, sizeof v)) {
        cfg->devid = (uint8_t)atoi(v);
        printf("devid: %u\n", (unsigned)cfg->devid);
    }
    if (option_value(buf, "format:", v, sizeof v))
        cfg->format = strcmp(v, "float") == 0 ? KOVRA_FORMAT_FLOAT : KOVRA_FORMAT_INT16;
    if (option_value(buf, "nsamples_recv_frame:", v, sizeof v)) {
        long n = atol(v);
        if (n < 0)
            n = 0;
        cfg->nsamples_recv_frame =
            (uint32_t)(n > KOVRA_DEFAULT_NSAMPLES_RECV_FRAME ? KOVRA_DEFAULT_NSAMPLES_RECV_FRAME : n);
    }
}

kovra_device_descriptor *kovra_open_device(const char *options)
{
    kovra_device_descriptor *dev = calloc(1, sizeof *dev);
    kovra_transport *t = calloc(1, sizeof *t);
    kovra_open_config *cfg = calloc(1, sizeof *cfg);
    if (!dev || !t || !cfg) {
        free(dev);
        free(t);
        free(cfg);
        return NULL;
    }
    cfg->devid = 0;
    cfg->num_channels = 2;
    cfg->nsamples_recv_frame = KOVRA_DEFAULT_NSAMPLES_RECV_FRAME;
    cfg->format = KOVRA_FORMAT_INT16;
    parse_value_from_string(options, cfg);
    t->config = cfg;
    if (__kovra_init_transport(t) != 0) {
        printf("Can not init interface.\n");
        free(cfg);
        free(t);
        free(dev);
        return NULL;
    }
    dev->id = cfg->devid;
    dev->num_channels = 2;
    dev->transport = t;
    dev->tx_lo_freq = dev->rx_lo_freq = 2690000000ull;
    dev->tx_sampling_freq = dev->rx_sampling_freq = 30720000u;
    dev->tx_rf_bandwidth = dev->rx_rf_bandwidth = 30720000u;
    printf("kovra(id: %d) 启动正常.\n", (int)cfg->devid);
    return dev;
}

int kovra_close_device(kovra_device_descriptor *dev)
{
    if (!dev)
        return -22;
    kovra_transport *t = dev->transport;
    if (t) {
        /* Workers still running would use the nodes and buffers freed below. */
        stop_tx_streaming(t);
        stop_rx_streaming(t);
        __kovra_deinit_transport(t);
        free(t->config);
        free(t);
    }
    free(dev);
    return 0;
}

int kovra_get_model_version(kovra_device_descriptor *dev, int *version)
{
    (void)dev;
    if (version)
        *version = 4000;
    return 0;
}

kovra_transport *kovra_get_transport(kovra_device_descriptor *dev)
{
    return dev ? dev->transport : NULL;
}

#define SETTER(name, cmd, type, field)                                                        \
    int name(kovra_device_descriptor *dev, uint8_t chip_id, type value)                       \
    {                                                                                         \
        if (!dev || !dev->transport)                                                          \
            return -14;                                                                       \
        int r = send_cmd_pcie(dev->transport, chip_id, cmd, &value, (int)sizeof(type));       \
        if (r == 0)                                                                           \
            dev->field = value;                                                               \
        return r;                                                                             \
    }

#define SETTER_NOCACHE(name, cmd, type)                                                       \
    int name(kovra_device_descriptor *dev, uint8_t chip_id, type value)                       \
    {                                                                                         \
        if (!dev || !dev->transport)                                                          \
            return -14;                                                                       \
        return send_cmd_pcie(dev->transport, chip_id, cmd, &value, (int)sizeof(type));        \
    }

SETTER(kovra_set_tx_lo_freq, 37, uint64_t, tx_lo_freq)
SETTER(kovra_set_rx_lo_freq, 30, uint64_t, rx_lo_freq)
SETTER(kovra_set_rx1_rf_gain, 32, uint32_t, rx1_rf_gain)
SETTER(kovra_set_rx2_rf_gain, 36, uint32_t, rx2_rf_gain)
SETTER(kovra_set_tx1_attenuation, 31, uint32_t, tx1_attenuation)
SETTER(kovra_set_tx2_attenuation, 35, uint32_t, tx2_attenuation)
SETTER(kovra_set_rx_sampling_freq, 27, uint32_t, rx_sampling_freq)
SETTER(kovra_set_tx_sampling_freq, 29, uint32_t, tx_sampling_freq)
SETTER(kovra_set_rx_rf_bandwidth, 28, uint32_t, rx_rf_bandwidth)
SETTER(kovra_set_tx_rf_bandwidth, 33, uint32_t, tx_rf_bandwidth)
SETTER(kovra_set_ref_clock, 20, uint32_t, ref_clock)
SETTER(kovra_set_duplex_select, 24, uint32_t, duplex_select)
SETTER(kovra_enable_timestamp, 26, uint8_t, timestamp_enabled)
SETTER(kovra_set_hwbuf_depth, 34, uint32_t, hwbuf_depth)
SETTER_NOCACHE(kovra_set_pps_select, 21, uint32_t)
SETTER_NOCACHE(kovra_set_auxdac1, 22, uint32_t)
SETTER_NOCACHE(kovra_set_rx_ant_enable, 23, uint8_t)
SETTER_NOCACHE(kovra_set_trxsw_fpga_enable, 25, uint8_t)

#define GETTER(name, type, field)                                                             \
    int name(kovra_device_descriptor *dev, type *out)                                         \
    {                                                                                         \
        if (!dev || !out)                                                                     \
            return -22;                                                                       \
        *out = dev->field;                                                                    \
        return 0;                                                                             \
    }

GETTER(kovra_get_tx_lo_freq, uint64_t, tx_lo_freq)
GETTER(kovra_get_rx_lo_freq, uint64_t, rx_lo_freq)
GETTER(kovra_get_rx1_rf_gain, uint32_t, rx1_rf_gain)
GETTER(kovra_get_rx2_rf_gain, uint32_t, rx2_rf_gain)
GETTER(kovra_get_tx1_attenuation, uint32_t, tx1_attenuation)
GETTER(kovra_get_tx2_attenuation, uint32_t, tx2_attenuation)
GETTER(kovra_get_rx_sampling_freq, uint32_t, rx_sampling_freq)
GETTER(kovra_get_rx_rf_bandwidth, uint32_t, rx_rf_bandwidth)
GETTER(kovra_get_tx_rf_bandwidth, uint32_t, tx_rf_bandwidth)

int kovra_get_tx_sampling_freq(kovra_device_descriptor *dev, uint8_t chip_id, uint32_t *hz)
{
    (void)chip_id;
    if (!dev || !hz)
        return -22;
    *hz = dev->tx_sampling_freq;
    return 0;
}

int kovra_write_samples_multiport(kovra_device_descriptor *dev, void *const bufs[8], int samples,
                                  uint32_t mask, uint64_t unused_time, int unused_flags)
{
    if (!dev || !dev->transport)
        return -14;
    return send_data_pcie(dev->transport, bufs, samples, mask, unused_time, unused_flags);
}

int kovra_read_samples_multiport(kovra_device_descriptor *dev, void *const bufs[8],
                                 uint32_t samples, uint32_t mask, size_t *size)
{
    if (!dev || !dev->transport)
        return -14;
    return recv_data_pcie(dev->transport, bufs, samples, mask, size);
}

#define ENGINE_WRAPPER(name, fn)                                                              \
    int name(kovra_device_descriptor *dev)                                                    \
    {                                                                                         \
        if (!dev || !dev->transport)                                                          \
            return -14;                                                                       \
        return fn(dev->transport);                                                            \
    }

ENGINE_WRAPPER(kovra_start_tx_streaming, start_tx_streaming)
ENGINE_WRAPPER(kovra_stop_tx_streaming, stop_tx_streaming)
ENGINE_WRAPPER(kovra_start_rx_streaming, start_rx_streaming)
ENGINE_WRAPPER(kovra_stop_rx_streaming, stop_rx_streaming)
ENGINE_WRAPPER(kovra_flush_tx, flush_tx)
