#include "effect/denormalguard.h"

#if defined(__SSE__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 1)
#include <xmmintrin.h>
#define TRS_HAVE_MXCSR 1
#endif

namespace {
#if defined(TRS_HAVE_MXCSR)
const uint32_t kFlushToZero = 0x8000u;
const uint32_t kDenormalsAreZero = 0x0040u;
#endif
}  // namespace

DenormalGuard::DenormalGuard() : saved(0) {
#if defined(TRS_HAVE_MXCSR)
    saved = _mm_getcsr();
    const uint32_t wanted = saved | kFlushToZero | kDenormalsAreZero;
    if (wanted != saved)
        _mm_setcsr(wanted);
#endif
}

DenormalGuard::~DenormalGuard() {
#if defined(TRS_HAVE_MXCSR)
    // Restores the whole register: the host's rounding mode, exception masks
    // and sticky flags are as they were before the call.
    _mm_setcsr(saved);
#endif
}
