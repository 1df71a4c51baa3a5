// The editor without a window: open, idle, keys, parameter changes from the
// host and close in any order, and the effect closed with the editor open.
#include "fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    AEffect* e = trsfuzz::openEffect();
    for (int step = 0; step < 32 && in.remaining_bytes() > 0; step++) {
        switch (in.ConsumeIntegralInRange<int>(0, 5)) {
            case 0:
                e->dispatcher(e, effEditOpen, 0, 0, nullptr, 0.0f);
                break;
            case 1:
                e->dispatcher(e, effEditIdle, 0, 0, nullptr, 0.0f);
                break;
            case 2:
                e->dispatcher(e, in.ConsumeBool() ? effEditKeyDown : effEditKeyUp, trsfuzz::anyIndex(in),
                              trsfuzz::anyValue(in), nullptr, trsfuzz::anyFloat(in));
                break;
            case 3:
                e->dispatcher(e, effEditClose, 0, 0, nullptr, 0.0f);
                break;
            case 4: {
                ERect* rect = nullptr;
                e->dispatcher(e, effEditGetRect, 0, 0, in.ConsumeBool() ? &rect : nullptr, 0.0f);
                break;
            }
            default:
                e->setParameter(e, trsfuzz::anyIndex(in), trsfuzz::anyFloat(in));
                break;
        }
    }
    trsfuzz::closeEffect(e);
    return 0;
}
