// The working samples of one frame. The modules take it by address and read
// consecutive floats, so it is an array rather than four named members.
#pragma once

struct ChainFrame {
    enum { dryLeft, dryRight, wetLeft, wetRight };
    float sample[4];

    float* dry() { return sample + dryLeft; }
    float* wet() { return sample + wetLeft; }
    float* wetRightSample() { return sample + wetRight; }
};
