#include "xdma_node_path.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char k_dev_prefix[] = "/dev/";

int xdma_node_path(const char *node, char *out, size_t out_len)
{
    if (!node || !out || out_len == 0)
        return -EINVAL;

    const char *dir = getenv(XDMA_NODE_DIR_ENV);
    const size_t prefix_len = sizeof(k_dev_prefix) - 1;
    int n;
    if (dir && dir[0] != '\0' && strncmp(node, k_dev_prefix, prefix_len) == 0 &&
        strncmp(node + prefix_len, "xdma", 4) == 0) {
        size_t dlen = strlen(dir);
        /* "dir/" and "dir" both name the same directory. */
        const char *sep = (dlen > 0 && dir[dlen - 1] == '/') ? "" : "/";
        n = snprintf(out, out_len, "%s%s%s", dir, sep, node + prefix_len);
    } else {
        n = snprintf(out, out_len, "%s", node);
    }
    if (n < 0 || (size_t)n >= out_len) {
        out[0] = '\0';
        return -ENAMETOOLONG;
    }
    return n;
}
