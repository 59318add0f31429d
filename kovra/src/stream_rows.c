#include "stream_rows.h"

#include <string.h>

#include "convert.h"

#if defined(__x86_64__)
#include <immintrin.h>
#define KOVRA_HAVE_X86 1
#endif

static inline uint32_t load_u32(const void *p)
{
    uint32_t v;
    memcpy(&v, p, 4);
    return v;
}

static inline void store_u32(void *p, uint32_t v)
{
    memcpy(p, &v, 4);
}

static inline float s16_to_f(int16_t v)
{
    return (float)(v / 32767.0);
}

void _rows_pack_scalar(uint8_t *rows, const void *const by_slot[8], size_t n, int cf32)
{
    for (int c = 0; c < 8; ++c) {
        uint8_t *dst = rows + 4 * c;
        if (!by_slot[c]) {
            for (size_t j = 0; j < n; ++j)
                store_u32(dst + 32 * j, 0);
        } else if (cf32) {
            const float *in = by_slot[c];
            for (size_t j = 0; j < n; ++j) {
                uint16_t i = (uint16_t)_cf32_to_s16(in[2 * j]);
                uint16_t q = (uint16_t)_cf32_to_s16(in[2 * j + 1]);
                store_u32(dst + 32 * j, (uint32_t)i | ((uint32_t)q << 16));
            }
        } else {
            const uint8_t *in = by_slot[c];
            for (size_t j = 0; j < n; ++j)
                memcpy(dst + 32 * j, in + 4 * j, 4); /* I then Q, little-endian */
        }
    }
}

void _rows_unpack_scalar(void *const by_slot[8], const uint8_t *rows, size_t n, int cf32)
{
    for (int c = 0; c < 8; ++c) {
        if (!by_slot[c])
            continue;
        const uint8_t *src = rows + 4 * c;
        if (cf32) {
            float *out = by_slot[c];
            for (size_t j = 0; j < n; ++j) {
                uint32_t w = load_u32(src + 32 * j);
                out[2 * j] = s16_to_f((int16_t)(uint16_t)w);
                out[2 * j + 1] = s16_to_f((int16_t)(uint16_t)(w >> 16));
            }
        } else {
            uint8_t *out = by_slot[c];
            for (size_t j = 0; j < n; ++j)
                memcpy(out + 4 * j, src + 32 * j, 4);
        }
    }
}

#ifdef KOVRA_HAVE_X86

/* 8x8 transpose of 32-bit words: r[i] word j -> r[j] word i. */
__attribute__((target("avx2"))) static inline void transpose8(__m256i r[8])
{
    __m256i t0 = _mm256_unpacklo_epi32(r[0], r[1]), t1 = _mm256_unpackhi_epi32(r[0], r[1]);
    __m256i t2 = _mm256_unpacklo_epi32(r[2], r[3]), t3 = _mm256_unpackhi_epi32(r[2], r[3]);
    __m256i t4 = _mm256_unpacklo_epi32(r[4], r[5]), t5 = _mm256_unpackhi_epi32(r[4], r[5]);
    __m256i t6 = _mm256_unpacklo_epi32(r[6], r[7]), t7 = _mm256_unpackhi_epi32(r[6], r[7]);
    __m256i u0 = _mm256_unpacklo_epi64(t0, t2), u1 = _mm256_unpackhi_epi64(t0, t2);
    __m256i u2 = _mm256_unpacklo_epi64(t1, t3), u3 = _mm256_unpackhi_epi64(t1, t3);
    __m256i u4 = _mm256_unpacklo_epi64(t4, t6), u5 = _mm256_unpackhi_epi64(t4, t6);
    __m256i u6 = _mm256_unpacklo_epi64(t5, t7), u7 = _mm256_unpackhi_epi64(t5, t7);
    r[0] = _mm256_permute2x128_si256(u0, u4, 0x20);
    r[1] = _mm256_permute2x128_si256(u1, u5, 0x20);
    r[2] = _mm256_permute2x128_si256(u2, u6, 0x20);
    r[3] = _mm256_permute2x128_si256(u3, u7, 0x20);
    r[4] = _mm256_permute2x128_si256(u0, u4, 0x31);
    r[5] = _mm256_permute2x128_si256(u1, u5, 0x31);
    r[6] = _mm256_permute2x128_si256(u2, u6, 0x31);
    r[7] = _mm256_permute2x128_si256(u3, u7, 0x31);
}

/* Eight CF32 samples (16 floats) -> eight slot words, same rule as _cf32_to_s16. */
__attribute__((target("avx2"))) static inline __m256i cf32_words8(const float *in)
{
    const __m256 one = _mm256_set1_ps(1.0f), mone = _mm256_set1_ps(-1.0f);
    const __m256 scale = _mm256_set1_ps(32767.0f);
    __m256 a = _mm256_loadu_ps(in), b = _mm256_loadu_ps(in + 8);
    a = _mm256_mul_ps(_mm256_min_ps(_mm256_max_ps(a, mone), one), scale);
    b = _mm256_mul_ps(_mm256_min_ps(_mm256_max_ps(b, mone), one), scale);
    __m256i p = _mm256_packs_epi32(_mm256_cvttps_epi32(a), _mm256_cvttps_epi32(b));
    return _mm256_permute4x64_epi64(p, 0xD8);
}

__attribute__((target("avx2"))) static void rows_pack_v(uint8_t *rows, const void *const by_slot[8],
                                                        size_t n, int cf32)
{
    size_t j = 0;
    for (; j + 8 <= n; j += 8) {
        __m256i r[8];
        for (int c = 0; c < 8; ++c) {
            if (!by_slot[c])
                r[c] = _mm256_setzero_si256();
            else if (cf32)
                r[c] = cf32_words8((const float *)by_slot[c] + 2 * j);
            else
                r[c] = _mm256_loadu_si256((const __m256i *)((const int16_t *)by_slot[c] + 2 * j));
        }
        transpose8(r);
        for (int k = 0; k < 8; ++k)
            _mm256_storeu_si256((__m256i *)(rows + 32 * (j + k)), r[k]);
    }
    if (j < n) {
        const void *tail[8];
        for (int c = 0; c < 8; ++c) {
            if (!by_slot[c])
                tail[c] = NULL;
            else if (cf32)
                tail[c] = (const float *)by_slot[c] + 2 * j;
            else
                tail[c] = (const int16_t *)by_slot[c] + 2 * j;
        }
        _rows_pack_scalar(rows + 32 * j, tail, n - j, cf32);
    }
}

__attribute__((target("avx2"))) static void rows_unpack_s16_v(void *const by_slot[8],
                                                              const uint8_t *rows, size_t n)
{
    size_t j = 0;
    for (; j + 8 <= n; j += 8) {
        __m256i r[8];
        for (int k = 0; k < 8; ++k)
            r[k] = _mm256_loadu_si256((const __m256i *)(rows + 32 * (j + k)));
        transpose8(r);
        for (int c = 0; c < 8; ++c)
            if (by_slot[c])
                _mm256_storeu_si256((__m256i *)((int16_t *)by_slot[c] + 2 * j), r[c]);
    }
    if (j < n) {
        void *tail[8];
        for (int c = 0; c < 8; ++c)
            tail[c] = by_slot[c] ? (void *)((int16_t *)by_slot[c] + 2 * j) : NULL;
        _rows_unpack_scalar(tail, rows + 32 * j, n - j, 0);
    }
}
#endif

void _rows_pack(uint8_t *rows, const void *const by_slot[8], size_t n, int cf32)
{
#ifdef KOVRA_HAVE_X86
    if (_kovra_have_avx2()) {
        rows_pack_v(rows, by_slot, n, cf32);
        return;
    }
#endif
    _rows_pack_scalar(rows, by_slot, n, cf32);
}

void _rows_unpack(void *const by_slot[8], const uint8_t *rows, size_t n, int cf32)
{
#ifdef KOVRA_HAVE_X86
    if (!cf32 && _kovra_have_avx2()) {
        rows_unpack_s16_v(by_slot, rows, n);
        return;
    }
#endif
    _rows_unpack_scalar(by_slot, rows, n, cf32);
}
