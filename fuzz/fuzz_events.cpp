// MIDI event lists whose entries lie about their kind, size and timing,
// each followed by a short block, since events act on the next one.
#include "fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    AEffect* e = trsfuzz::openEffect();
    trsfuzz::EventBlock events;
    for (int step = 0; step < 32 && in.remaining_bytes() > 0; step++) {
        switch (in.ConsumeIntegralInRange<int>(0, 3)) {
            case 0:
                e->setParameter(e, trsfuzz::anyIndex(in), trsfuzz::anyFloat(in));
                break;
            case 1:
                e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, trsfuzz::anyFloat(in));
                break;
            default:
                e->dispatcher(e, effProcessEvents, 0, 0, events.build(in), 0.0f);
                trsfuzz::processBlock(in, e, 16);
                break;
        }
    }
    trsfuzz::closeEffect(e);
    return 0;
}
