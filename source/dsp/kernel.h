// Marks the per-frame kernels: the chain's block loop calls each once per
// frame with its state in locals, which only pays off when the kernel is
// inlined there (GCC leaves the larger ones out of line on its own).
#pragma once

#if defined(__GNUC__)
#define TRS_KERNEL inline __attribute__((always_inline))
#else
#define TRS_KERNEL __forceinline
#endif
