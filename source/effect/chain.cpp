// The per-frame signal chain. Runs on the audio thread: no allocation, no
// locks, no library calls.
//
// Two paths compute the same bits. The module path below calls each
// module's processFrame on a ChainFrame, as the modules define the sound;
// the block path (blockchain.cpp) does the same arithmetic with the state
// held in locals for a whole block, and is taken whenever it applies.
#include "dsp/finitefloat.h"
#include "effect/chainframe.h"
#include "effect/chainkernels.h"
#include "effect/denormalguard.h"
#include "effect/tresselin.h"

using chainkernels::limitUnit;

void Tresselin::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) {
    if (!inputs || !outputs || !inputs[0] || !outputs[0]) return;
    const float* in1 = inputs[0];
    const float* in2 = inputs[1];
    float* out1 = outputs[0];
    float* out2 = outputs[1];
    const DenormalGuard flushDenormals;

    if (sampleFrames > 0 && blockPathApplies()) {
        processBlock(in1, in2, out1, out2, sampleFrames);
        return;
    }

    ChainFrame f;
    for (VstInt32 n = 0; n < sampleFrames; n++) {
        // A NaN or infinity from the host counts as silence, on the dry path
        // too: passed on, it would reach the next plug-in or the speakers.
        const float x1 = finiteOrZero(in1[n]);
        f.sample[ChainFrame::dryLeft] = x1;
        f.sample[ChainFrame::dryRight] = x1;
        f.sample[ChainFrame::wetLeft] = (float)((double)dryToFilter * x1);
        f.sample[ChainFrame::wetRight] = f.sample[ChainFrame::wetLeft];
        float side = 0.0f;
        if (in2) {
            const float x2 = finiteOrZero(in2[n]);
            f.sample[ChainFrame::dryRight] = x2;
            side = (float)(((double)x2 - x1) * 0.5);
            f.sample[ChainFrame::wetRight] = (float)((double)dryToFilter * x2);
        }

        follower1.processFrame(f.dry());
        follower2.processFrame(f.dry());
        const double e1 = follower1.envelope;
        const double e2 = follower2.envelope;

        noise.amount = limitUnit((float)(((double)ef1NoiseAmDepth - 0.5) * (e1 * 4.0) + noiseAmount));
        noise.gain = (float)((double)noise.scale * noise.amount);
        noise.balance = side;
        noise.processFrame(f.wet());

        oscillator.amount = limitUnit((float)(((double)ef1OscAmDepth - 0.5) * (e1 * 4.0) + oscAmount));
        oscillator.frequencyOffset = (float)((double)ef2OscFmDepth * e2 + oscKeyOffset);
        oscillator.processFrame(f.wet());

        shaper.processFrame(f.wet());

        const float m = (float)((double)ef2CutoffDepth * e2 + filterKeyOffset);
        filterLeft.cutoffModulation = m;
        filterRight.cutoffModulation = m;
        filterLeft.processFrame(f.wet());
        filterRight.processFrame(f.wetRightSample());

        out1[n] = (float)((double)dryLevel * f.sample[ChainFrame::dryLeft] + f.sample[ChainFrame::wetLeft]);
        if (out2)
            out2[n] = (float)((double)dryLevel * f.sample[ChainFrame::dryRight] + f.sample[ChainFrame::wetRight]);
    }
}

