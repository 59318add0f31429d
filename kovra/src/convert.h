#ifndef KOVRA_CONVERT_H
#define KOVRA_CONVERT_H

/* float <-> int16 sample conversions; pure functions, any thread. The
 * public ones are declared in kovra_api.h; the CF32 transmit packing rule
 * lives here too so the scalar and vector paths share one definition. */

#include <stddef.h>
#include <stdint.h>

#include "kovra_api.h"

#ifdef __cplusplus
extern "C" {
#endif

/* CF32 transmit rule: clamp to [-1, 1], x 32767, truncate toward zero. */
static inline int16_t _cf32_to_s16(float v)
{
    v = v > -1.0f ? v : -1.0f; /* NaN -> -1, as the vector form does */
    v = v < 1.0f ? v : 1.0f;
    return (int16_t)(v * 32767.0f);
}

/* 1 when the processor runs AVX2 code (asked once, then cached); always 0
 * off x86-64. Shared by the conversion and frame-row units. */
int _kovra_have_avx2(void);

#ifdef __cplusplus
}
#endif

#endif
