// The editor without a window: open, idle, mouse presses, drags and
// releases anywhere (outside the panel too), keys, parameter changes from the
// host and close, in any order, and the effect closed with the editor open.
#include "fuzzsupport.h"
#include "toolkit/aeffguieditor.h"
#include "toolkit/cframe.h"

namespace {

CFrame* frameOf(AEffect* e) {
    auto* editor = dynamic_cast<AEffGUIEditor*>(static_cast<AudioEffect*>(e->object)->getEditor());
    return editor ? editor->getFrame() : nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    AEffect* e = trsfuzz::openEffect();
    for (int step = 0; step < 48 && in.remaining_bytes() > 0; step++) {
        switch (in.ConsumeIntegralInRange<int>(0, 7)) {
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
            case 5:
                e->setParameter(e, trsfuzz::anyIndex(in), trsfuzz::anyFloat(in));
                break;
            default:
                if (CFrame* frame = frameOf(e)) {
                    const CPoint where(in.ConsumeIntegralInRange<int>(-100, 800),
                                       in.ConsumeIntegralInRange<int>(-100, 500));
                    const long buttons = in.ConsumeIntegralInRange<long>(0, 63);
                    switch (in.ConsumeIntegralInRange<int>(0, 2)) {
                        case 0:
                            frame->onMouseDown(where, buttons);
                            break;
                        case 1:
                            frame->onMouseMoved(where, buttons);
                            break;
                        default:
                            frame->onMouseUp(where, buttons);
                            break;
                    }
                }
                break;
        }
    }
    trsfuzz::closeEffect(e);
    return 0;
}
