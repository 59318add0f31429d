#ifndef XDMA_NODE_PATH_H
#define XDMA_NODE_PATH_H

/*
 * Where an XDMA device node really lives.
 *
 * Programs name the board's nodes as the driver creates them
 * ("/dev/xdma0_user", "/dev/xdma0_h2c_0", ...). When the environment
 * variable ZELT_XDMA_DIR is set, the nodes are looked for in that directory
 * instead, so a simulated board (tools/xdma-sim) can stand in for the real
 * one without any program knowing about it.
 *
 * Dependency-free C; safe to call from any thread (reads the environment
 * only).
 */

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Name of the environment variable that redirects the device nodes. */
#define XDMA_NODE_DIR_ENV "ZELT_XDMA_DIR"

/*
 * Writes the path to open for `node` into `out` (capacity `out_len`, NUL
 * included). A node of the form "/dev/xdma..." becomes
 * "$ZELT_XDMA_DIR/xdma..." when the variable is set and not empty; every
 * other name, and every name when the variable is unset, is copied
 * unchanged.
 * Returns the length of the result (without NUL), -EINVAL for a null
 * argument or -ENAMETOOLONG when `out` is too small (then `out` holds an
 * empty string).
 */
int xdma_node_path(const char *node, char *out, size_t out_len);

#ifdef __cplusplus
}
#endif

#endif
