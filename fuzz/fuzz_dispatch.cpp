// The dispatcher as a careless or hostile host drives it: any opcode with
// arguments of the right shape but random values, parameters and sample rates
// that make no sense. No audio: that is the audio fuzzer's job, and leaving
// it out keeps this one fast.
#include "fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    AEffect* e = trsfuzz::openEffect();
    trsfuzz::EventBlock events;
    for (int step = 0; step < 64 && in.remaining_bytes() > 0; step++) {
        switch (in.ConsumeIntegralInRange<int>(0, 3)) {
            case 0: {
                const VstInt32 index = trsfuzz::anyIndex(in);
                e->setParameter(e, index, trsfuzz::anyFloat(in));
                const float got = e->getParameter(e, index);
                if (!(got >= 0.0f && got <= 1.0f))
                    trsfuzz::fail("parameter outside 0..1");
                break;
            }
            case 1:
                e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, trsfuzz::anyFloat(in));
                break;
            default:
                trsfuzz::dispatchOne(in, e, events);
                break;
        }
    }
    trsfuzz::closeEffect(e);
    return 0;
}
