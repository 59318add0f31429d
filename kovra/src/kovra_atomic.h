#ifndef KOVRA_ATOMIC_H
#define KOVRA_ATOMIC_H

/* Atomic field types that C and C++ translation units see with the same
 * layout, so the library's C++ tests can include the internal headers. */

#ifdef __cplusplus
#include <atomic>
#define KOVRA_ATOMIC(T) std::atomic<T>
#define KOVRA_ALIGNAS(n) alignas(n)
#else
#include <stdatomic.h>
#define KOVRA_ATOMIC(T) _Atomic T
#define KOVRA_ALIGNAS(n) _Alignas(n)
#endif

#endif
