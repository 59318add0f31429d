#ifndef KOVRA_HW_ACCESS_H
#define KOVRA_HW_ACCESS_H

/*
 * The one door to the board's device nodes. Every open, access, mmap,
 * positioned read/write and ioctl on an XDMA node made by the library goes
 * through here, so the node-path redirection (ZELT_XDMA_DIR) and the
 * stand-ins for the kernel driver (named pipes, plain files) are handled in
 * one place and nowhere else.
 *
 * All functions are thread-safe in the sense of the system calls they wrap.
 * Results follow the system calls: -1 with errno set on failure.
 */

#include <stddef.h>
#include <stdint.h>
#include <sys/types.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Largest single transfer the XDMA driver takes. */
#define KOVRA_HW_MAX_CHUNK 0x7ffff000u

/* access(F_OK) on the (redirected) node; 0 when it exists. */
int kovra_hw_node_exists(const char *node);
/* open(2) on the (redirected) node. */
int kovra_hw_open(const char *node, int flags);
int kovra_hw_close(int fd);
/* mmap of `len` bytes at offset 0; MAP_FAILED on failure. */
void *kovra_hw_map(int fd, size_t len, int prot);
int kovra_hw_unmap(void *addr, size_t len);

/*
 * One positioned transfer at card address `offset`. A node that cannot
 * seek (a named pipe standing in for a DMA channel, ESPIPE) gets a plain
 * read/write instead. Returns bytes moved or -1 with errno.
 */
ssize_t kovra_hw_pread(int fd, void *buf, size_t len, uint64_t offset);
ssize_t kovra_hw_pwrite(int fd, const void *buf, size_t len, uint64_t offset);

/*
 * Writes all `len` bytes in chunks of at most KOVRA_HW_MAX_CHUNK at
 * offset + bytes done. 0 on success; -1 on an error or a short write
 * (errno EINTR when a signal interrupted it, EIO for a short write).
 */
int _pwrite_all(int fd, const void *buf, size_t len, uint64_t offset);

int kovra_hw_ioctl(int fd, unsigned long request, void *arg);

#ifdef __cplusplus
}
#endif

#endif
