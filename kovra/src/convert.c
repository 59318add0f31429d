#include "convert.h"

#include <math.h>

#if defined(__x86_64__)
#include <immintrin.h>
#define KOVRA_HAVE_X86 1
#endif

static inline int16_t s16_round(float v)
{
    /* The comparisons are written the way the vector max/min instructions
     * behave, so NaN lands on -32768 in both forms. */
    v = v > -32768.0f ? v : -32768.0f;
    v = v < 32767.0f ? v : 32767.0f;
    return (int16_t)rintf(v);
}

void to_int16(int16_t *out, const float *in, size_t count, float scale)
{
    for (size_t i = 0; i < count; ++i)
        out[i] = s16_round(in[i] * scale);
}

void to_float(float *out, const int16_t *in, size_t count, float scale)
{
    for (size_t i = 0; i < count; ++i)
        out[i] = (float)in[i] * scale;
}

int _kovra_have_avx2(void)
{
#ifdef KOVRA_HAVE_X86
    static int cached = -1;
    int v = __atomic_load_n(&cached, __ATOMIC_RELAXED);
    if (v < 0) {
        __builtin_cpu_init();
        v = __builtin_cpu_supports("avx2") ? 1 : 0;
        __atomic_store_n(&cached, v, __ATOMIC_RELAXED);
    }
    return v;
#else
    return 0;
#endif
}

#ifdef KOVRA_HAVE_X86

__attribute__((target("avx2"))) static void to_int16_v(int16_t *out, const float *in, size_t n)
{
    const __m256 scale = _mm256_set1_ps(32767.0f);
    const __m256 lo = _mm256_set1_ps(-32768.0f);
    const __m256 hi = _mm256_set1_ps(32767.0f);
    size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        __m256 a = _mm256_mul_ps(_mm256_loadu_ps(in + i), scale);
        __m256 b = _mm256_mul_ps(_mm256_loadu_ps(in + i + 8), scale);
        a = _mm256_min_ps(_mm256_max_ps(a, lo), hi);
        b = _mm256_min_ps(_mm256_max_ps(b, lo), hi);
        __m256i ia = _mm256_cvtps_epi32(a); /* round to nearest even, as rintf */
        __m256i ib = _mm256_cvtps_epi32(b);
        __m256i p = _mm256_permute4x64_epi64(_mm256_packs_epi32(ia, ib), 0xD8);
        _mm256_storeu_si256((__m256i *)(out + i), p);
    }
    for (; i < n; ++i)
        out[i] = s16_round(in[i] * 32767.0f);
}

__attribute__((target("avx2"))) static void to_float_v(float *out, const int16_t *in, size_t n)
{
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        __m128i s = _mm_loadu_si128((const __m128i *)(in + i));
        _mm256_storeu_ps(out + i, _mm256_cvtepi32_ps(_mm256_cvtepi16_epi32(s)));
    }
    for (; i < n; ++i)
        out[i] = (float)in[i];
}
#endif

void to_int16_avx2(int16_t *out, const float *in, size_t samples)
{
#ifdef KOVRA_HAVE_X86
    if (_kovra_have_avx2()) {
        to_int16_v(out, in, samples * 2);
        return;
    }
#endif
    to_int16(out, in, samples * 2, 32767.0f);
}

void to_float_avx2(float *out, const int16_t *in, size_t samples)
{
#ifdef KOVRA_HAVE_X86
    if (_kovra_have_avx2()) {
        to_float_v(out, in, samples * 2);
        return;
    }
#endif
    to_float(out, in, samples * 2, 1.0f);
}
