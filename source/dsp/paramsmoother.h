#pragma once

// One-pole glide toward a target. The two weights are kept as separate
// constants (0.01 is not 1 - 0.99), which the rendered output depends on.
struct ParamSmoother {
    float coef = 0.99f;
    float weight = 0.01f;
    float state = 0.0f;

    float step(float target) {
        state = (float)((double)weight * target + (double)coef * state);
        return state;
    }
};
