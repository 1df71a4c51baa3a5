// Audio and parameters: short blocks of hostile samples in every buffer
// layout, between parameter, sample-rate and block-size changes. Every output
// sample must be finite and the caller's floating-point mode come back as it
// was.
#include "fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    AEffect* e = trsfuzz::openEffect();
    e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.0f);
    for (int step = 0; step < 32 && in.remaining_bytes() > 0; step++) {
        switch (in.ConsumeIntegralInRange<int>(0, 5)) {
            case 0:
            case 1:
                e->setParameter(e, trsfuzz::anyIndex(in), trsfuzz::anyFloat(in));
                break;
            case 2:
                e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, trsfuzz::anyFloat(in));
                break;
            case 3:
                e->dispatcher(e, effSetBlockSize, 0, trsfuzz::anyValue(in), nullptr, 0.0f);
                break;
            default:
                trsfuzz::processBlock(in, e, 64);
                break;
        }
    }
    trsfuzz::processBlock(in, e, 64);
    trsfuzz::closeEffect(e);
    return 0;
}
