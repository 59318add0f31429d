#include "hw_access.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

#include "xdma_node_path.h"

static int resolve(const char *node, char *out, size_t out_len)
{
    int r = xdma_node_path(node, out, out_len);
    if (r < 0) {
        errno = -r;
        return -1;
    }
    return 0;
}

int kovra_hw_node_exists(const char *node)
{
    char path[PATH_MAX];
    if (resolve(node, path, sizeof path) < 0)
        return -1;
    return access(path, F_OK);
}

int kovra_hw_open(const char *node, int flags)
{
    char path[PATH_MAX];
    if (resolve(node, path, sizeof path) < 0)
        return -1;
    return open(path, flags | O_CLOEXEC);
}

int kovra_hw_close(int fd)
{
    return fd >= 0 ? close(fd) : 0;
}

void *kovra_hw_map(int fd, size_t len, int prot)
{
    return mmap(NULL, len, prot, MAP_SHARED, fd, 0);
}

int kovra_hw_unmap(void *addr, size_t len)
{
    return munmap(addr, len);
}

ssize_t kovra_hw_pread(int fd, void *buf, size_t len, uint64_t offset)
{
    ssize_t r = pread(fd, buf, len, (off_t)offset);
    if (r < 0 && errno == ESPIPE)
        r = read(fd, buf, len);
    return r;
}

ssize_t kovra_hw_pwrite(int fd, const void *buf, size_t len, uint64_t offset)
{
    ssize_t r = pwrite(fd, buf, len, (off_t)offset);
    if (r < 0 && errno == ESPIPE)
        r = write(fd, buf, len);
    return r;
}

int _pwrite_all(int fd, const void *buf, size_t len, uint64_t offset)
{
    const uint8_t *p = buf;
    size_t done = 0;
    while (done < len) {
        size_t chunk = len - done;
        if (chunk > KOVRA_HW_MAX_CHUNK)
            chunk = KOVRA_HW_MAX_CHUNK;
        ssize_t r = kovra_hw_pwrite(fd, p + done, chunk, offset + done);
        if (r < 0)
            return -1;
        if ((size_t)r != chunk) {
            errno = EIO;
            return -1;
        }
        done += (size_t)r;
    }
    return 0;
}

int kovra_hw_ioctl(int fd, unsigned long request, void *arg)
{
    return ioctl(fd, request, arg);
}
