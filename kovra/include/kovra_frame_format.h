#ifndef KOVRA_FRAME_FORMAT_H
#define KOVRA_FRAME_FORMAT_H

/*
 * Layout of the fixed 160000-byte sample frame that travels between host
 * and board in both directions. Shared by the driver library and the board
 * simulator so both sides agree on every offset; constants only.
 *
 *   0       128 x 0x5A          frame header
 *   128     384 x 0             -
 *   512     512                 codebook (transmit frames) or zero
 *   1024    27136 x 0           -
 *   28160   32 x 0xFE606060     marker words
 *   28288   4096 rows x 32      payload: 8 slots of 4 bytes per row
 *   159360  512 x 0             -
 *   159872  128 x 0xA5          frame trailer
 */

#define KOVRA_FRAME_SIZE 160000u
#define KOVRA_SAMPLES_PER_FRAME 4096u
#define KOVRA_NUM_SLOTS 8u
#define KOVRA_SLOT_BYTES 4u
#define KOVRA_ROW_BYTES (KOVRA_NUM_SLOTS * KOVRA_SLOT_BYTES) /* 32 */

#define KOVRA_HEADER_OFFSET 0u
#define KOVRA_HEADER_SIZE 128u
#define KOVRA_HEADER_BYTE 0x5Au

#define KOVRA_CODEBOOK_OFFSET 512u
#define KOVRA_CODEBOOK_SIZE 512u
/* Default codebook: the first 410 of its 4096 bits set. */
#define KOVRA_CODEBOOK_DEFAULT_BITS 410u

#define KOVRA_MARKER_OFFSET 28160u
#define KOVRA_MARKER_WORDS 32u
#define KOVRA_MARKER_WORD 0xFE606060u

#define KOVRA_PAYLOAD_OFFSET 28288u
#define KOVRA_PAYLOAD_SIZE (KOVRA_SAMPLES_PER_FRAME * KOVRA_ROW_BYTES) /* 131072 */
/* The payload starts at row 884 when the frame is viewed as 32-byte rows. */
#define KOVRA_PAYLOAD_FIRST_ROW (KOVRA_PAYLOAD_OFFSET / KOVRA_ROW_BYTES)

#define KOVRA_TRAILER_OFFSET 159872u
#define KOVRA_TRAILER_SIZE 128u
#define KOVRA_TRAILER_BYTE 0xA5u
/* The byte inside the trailer that a receiver checks to accept a frame. */
#define KOVRA_TRAILER_CHECK_OFFSET 159968u

/* User register window of the board. */
#define KOVRA_REG_WINDOW_SIZE 0x100000u
#define KOVRA_REG_TX_FLOWCTRL 0x000u
#define KOVRA_REG_RX_FLOWCTRL 0x100u
#define KOVRA_REG_RX_STROBE 0x200u
#define KOVRA_REG_AURORA_A 0x300u
#define KOVRA_REG_AURORA_B 0x400u
#define KOVRA_REG_TEMPERATURE 0x700u

#endif
