// Flush-to-zero and denormals-are-zero for the lifetime of the object, the
// caller's floating-point state restored afterwards.
//
// Decaying filter and envelope tails pass through the subnormal range, where
// x86 processors take a slow path many times the normal cost: heard as
// dropouts when the input goes quiet. Flushing changes results only below
// the smallest normal float. Other processors are left alone.
#pragma once

#include <cstdint>

class DenormalGuard {
public:
    DenormalGuard();
    ~DenormalGuard();
    DenormalGuard(const DenormalGuard&) = delete;
    DenormalGuard& operator=(const DenormalGuard&) = delete;

private:
    uint32_t saved;
};
