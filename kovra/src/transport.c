#include "transport.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>

#include "frame.h"
#include "hw_access.h"

void _sigusr1_handler(int signo)
{
    (void)signo;
}

void _install_sigusr1_handler(void)
{
    /* No SA_RESTART: a device read or write blocked in the kernel must come
     * back with EINTR when a stop signals the worker. */
    struct sigaction sa;
    memset(&sa, 0, sizeof sa);
    sa.sa_handler = _sigusr1_handler;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;
    sigaction(SIGUSR1, &sa, NULL);
}

/* The staging buffers are large (512 MiB + 128) and mostly never touched:
 * anonymous mappings are page-aligned and cost memory only where used. */
static void *alloc_staging(void)
{
    void *p = mmap(NULL, KOVRA_STAGING_SIZE, PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    return p == MAP_FAILED ? NULL : p;
}

static void free_staging(void *p)
{
    if (p)
        munmap(p, KOVRA_STAGING_SIZE);
}

int __kovra_init_transport(kovra_transport *t)
{
    if (!t || !t->config)
        return -1;
    t->rx_meta[0] = alloc_staging();
    if (!t->rx_meta[0]) {
        printf("Failed to alloc memory for rx_meta\n");
        return -1;
    }
    t->tx_meta[0] = alloc_staging();
    if (!t->tx_meta[0]) {
        printf("Failed to alloc memory for tx_meta\n");
        free_staging(t->rx_meta[0]);
        t->rx_meta[0] = NULL;
        return -1;
    }
    for (int i = 1; i < 8; ++i) {
        t->tx_meta[i] = NULL;
        t->rx_meta[i] = NULL;
    }
    if (init_pcie_interface(t) != 0) {
        free_staging(t->rx_meta[0]);
        free_staging(t->tx_meta[0]);
        t->rx_meta[0] = t->tx_meta[0] = NULL;
        return -1;
    }

    _install_sigusr1_handler();

    _default_codebook(t->codebook);
    t->codebook_valid = 1;
    printf("Init: Codebook set (first 410 bits=1, rest=0, %zu bytes).\n", (size_t)KOVRA_CODEBOOK_SIZE);
    return 0;
}

int __kovra_deinit_transport(kovra_transport *t)
{
    if (!t)
        return 0;
    deinit_pcie_interface(t);
    free_staging(t->tx_meta[0]);
    free_staging(t->rx_meta[0]);
    t->tx_meta[0] = t->rx_meta[0] = NULL;
    spsc_ringbuf_destroy(t->tx_ring);
    spsc_ringbuf_destroy(t->rx_ring);
    t->tx_ring = t->rx_ring = NULL;
    return 0;
}

int init_pcie_interface(kovra_transport *t)
{
    kovra_pcie_link *link = calloc(1, sizeof *link);
    if (!link)
        return -12;
    link->devid = t->config->devid;
    link->format = t->config->format;
    link->tx_limit = KOVRA_TX_SAMPLE_LIMIT;
    link->user_fd = link->h2c_fd = link->c2h_fd = -1;
    t->link = NULL;

    char user[64], h2c[64], c2h[64];
    snprintf(user, sizeof user, "/dev/xdma%d_user", (int)link->devid);
    snprintf(h2c, sizeof h2c, "/dev/xdma%d_h2c_0", (int)link->devid);
    snprintf(c2h, sizeof c2h, "/dev/xdma%d_c2h_0", (int)link->devid);

    link->user_fd = kovra_hw_open(user, O_RDWR | O_SYNC);
    if (link->user_fd < 0) {
        printf("Error: Failed to open %s. Is xdma.ko loaded?\n", user);
        free(link);
        return -19;
    }
    void *map = kovra_hw_map(link->user_fd, KOVRA_REG_WINDOW_SIZE, PROT_READ | PROT_WRITE);
    if (map == MAP_FAILED) {
        printf("Error: MMAP failed.\n");
        kovra_hw_close(link->user_fd);
        free(link);
        return -12;
    }
    link->map_base = map;
    link->h2c_fd = kovra_hw_open(h2c, O_RDWR);
    if (link->h2c_fd < 0) {
        printf("Error: Failed to open TX channel %s.\n", h2c);
        kovra_hw_unmap(map, KOVRA_REG_WINDOW_SIZE);
        kovra_hw_close(link->user_fd);
        free(link);
        return -19;
    }
    link->c2h_fd = kovra_hw_open(c2h, O_RDWR);
    if (link->c2h_fd < 0) {
        printf("Error: Failed to open RX channel %s.\n", c2h);
        kovra_hw_close(link->h2c_fd);
        kovra_hw_unmap(map, KOVRA_REG_WINDOW_SIZE);
        kovra_hw_close(link->user_fd);
        free(link);
        return -19;
    }
    t->link = link;
    printf("Init: Starting Hardware Handshake...\n");
    printf("Init: FlowCtrl WR=0x%02X RD=0x%02X\n", _reg_read(link, KOVRA_REG_TX_FLOWCTRL),
           _reg_read(link, KOVRA_REG_RX_FLOWCTRL));
    printf("Init: PCIe BAR mapped OK, device ready.\n");
    printf("Init: PCIe Interface Initialized Successfully.\n");
    return 0;
}

int deinit_pcie_interface(kovra_transport *t)
{
    if (!t || !t->link)
        return 0;
    kovra_pcie_link *link = t->link;
    if (link->map_base && kovra_hw_unmap(link->map_base, KOVRA_REG_WINDOW_SIZE) != 0)
        perror("Error: munmap failed in deinit");
    kovra_hw_close(link->user_fd);
    kovra_hw_close(link->c2h_fd);
    kovra_hw_close(link->h2c_fd);
    free(link);
    t->link = NULL;
    printf("Deinit: PCIe Interface resources released.\n");
    return 0;
}

static int cmd_is_paired(uint8_t cmd_id)
{
    return cmd_id >= 29 && cmd_id <= 34;
}

uint32_t _calc_reg_offset(uint8_t chip_id, uint8_t cmd_id)
{
    int bank = cmd_is_paired(cmd_id) ? ((int)chip_id + 1) / 2 - 1 : (int)chip_id;
    return ((uint32_t)bank << 12) | ((uint32_t)cmd_id << 3);
}

/* Chip id 0 with a paired command would put the register below the window. */
static int chip_id_valid(uint8_t chip_id, uint8_t cmd_id)
{
    if (cmd_is_paired(cmd_id) && chip_id == 0)
        return 0;
    return _calc_reg_offset(chip_id, cmd_id) + 8 <= KOVRA_REG_WINDOW_SIZE;
}

int _extract_param(const void *p, int width, uint64_t *value)
{
    switch (width) {
    case 1: *value = *(const uint8_t *)p; return 0;
    case 2: *value = *(const uint16_t *)p; return 0;
    case 4: *value = *(const uint32_t *)p; return 0;
    case 8: *value = *(const uint64_t *)p; return 0;
    default: return -1;
    }
}

int _store_param(void *p, int width, uint64_t value)
{
    switch (width) {
    case 1: *(uint8_t *)p = (uint8_t)value; return 0;
    case 2: *(uint16_t *)p = (uint16_t)value; return 0;
    case 4: *(uint32_t *)p = (uint32_t)value; return 0;
    case 8: *(uint64_t *)p = value; return 0;
    default: return -1;
    }
}

int send_cmd_pcie(kovra_transport *t, uint8_t chip_id, uint8_t cmd_id, const void *param,
                  int width)
{
    if (!t || !t->link)
        return -22;
    if (!t->link->map_base) {
        fprintf(stderr, "[CMD] Error: mmap not available.\n");
        return -5;
    }
    if (!chip_id_valid(chip_id, cmd_id)) {
        fprintf(stderr, "%s: Invalid rf chip id %u\n", "send_cmd_pcie", (unsigned)chip_id);
        return -22;
    }
    uint64_t v;
    if (!param || _extract_param(param, width, &v) != 0)
        return -22;
    uint32_t off = _calc_reg_offset(chip_id, cmd_id);
    _reg_write(t->link, off, (uint32_t)v);
    _reg_write(t->link, off + 4, (uint32_t)(v >> 32));
    printf("[CMD] rf_id=%u cmd_id=%u offset=0x%04X param=0x%llX\n", (unsigned)chip_id,
           (unsigned)cmd_id, off, (unsigned long long)v);
    return 0;
}

int send_then_recv_cmd_pcie(kovra_transport *t, uint8_t chip_id, uint8_t cmd_id, void *param,
                            int width, uint8_t write)
{
    if (!t || !t->link)
        return -22;
    if (!t->link->map_base) {
        fprintf(stderr, "[CMD_RW] Error: mmap not available.\n");
        return -5;
    }
    if (!chip_id_valid(chip_id, cmd_id)) {
        fprintf(stderr, "%s: Invalid rf chip id %u\n", "send_then_recv_cmd_pcie", (unsigned)chip_id);
        return -22;
    }
    if (!param)
        return -22;
    uint32_t off = _calc_reg_offset(chip_id, cmd_id);
    if (write && width != 0) {
        uint64_t v;
        if (_extract_param(param, width, &v) != 0)
            return -22;
        _reg_write(t->link, off, (uint32_t)v);
        _reg_write(t->link, off + 4, (uint32_t)(v >> 32));
    }
    uint64_t lo = _reg_read(t->link, off);
    uint64_t hi = _reg_read(t->link, off + 4);
    if (_store_param(param, width, lo | (hi << 32)) != 0)
        return -22;
    return 0;
}
