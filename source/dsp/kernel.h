// Marks the per-frame kernels: the chain's block loop calls each once per
// frame with its state in locals, which only pays off when the kernel is
// inlined there (GCC leaves the larger ones out of line on its own).
#pragma once

#if defined(__GNUC__)
#define TRS_KERNEL inline __attribute__((always_inline))
#else
#define TRS_KERNEL __forceinline
#endif

// The same for the block loop's stages, written as lambdas over its locals:
// a stage left out of line would force every local it captures into memory.
#if defined(__GNUC__)
#define TRS_STAGE __attribute__((always_inline))
#else
#define TRS_STAGE
#endif
