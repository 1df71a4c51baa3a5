#include "shell/valuetext.h"

#include <cmath>

namespace trs {

namespace {

const char kHuge[] = "Huge!";

// Exact powers of ten for the fraction digits.
const double kPow10[] = {1.0, 10.0, 100.0, 1000.0, 10000.0, 100000.0, 1000000.0, 10000000.0, 100000000.0};

int digitOf(double x) {
    return static_cast<int>(std::fmod(x, 10.0));
}

}  // namespace

void copyText(char* text, const char* src, VstInt32 maxLen) {
    if (!text || maxLen < 0)
        return;
    VstInt32 n = 0;
    if (src)
        for (; n < maxLen && src[n]; ++n)
            text[n] = src[n];
    text[n] = 0;
}

void floatToText(float value, char* text, VstInt32 maxLen) {
    double v = value;
    if (std::isnan(v)) {
        // A NaN would turn into garbage digits (float-to-int of NaN).
        copyText(text, "NaN", maxLen);
        return;
    }
    int c = 0;
    bool neg = false;
    if (v < 0) {
        neg = true;
        v = -v;
        c = 1;
        if (v > 9999999.0) {
            copyText(text, kHuge, maxLen);
            return;
        }
    } else if (v > 99999999.0) {
        copyText(text, kHuge, maxLen);
        return;
    }

    // Integer digits, least significant first, into the tail of a scratch
    // buffer so the text can be read front to back afterwards.
    char buf[24];
    int pos = 12;
    buf[pos] = 0;
    double integ = std::floor(v);
    buf[--pos] = '.';
    buf[--pos] = static_cast<char>('0' + digitOf(integ));
    integ /= 10.0;
    c += 2;
    while (integ >= 1.0 && c < 8) {
        buf[--pos] = static_cast<char>('0' + digitOf(integ));
        integ /= 10.0;
        c++;
    }
    if (integ >= 1.0) {
        // More integer digits than the 8-character budget holds: use the
        // point's place for one more digit rather than dropping the leading
        // ones (which would show 12345678 as "2345678.").
        buf[11] = 0;
        for (int i = 10; i >= pos; --i)
            buf[i + 1] = buf[i];
        buf[pos] = static_cast<char>('0' + digitOf(integ));
    }
    if (neg)
        buf[--pos] = '-';

    char out[24];
    int len = 0;
    for (int i = pos; buf[i]; ++i)
        out[len++] = buf[i];

    if (c < 8) {
        const int n = 8 - c;
        double mantissa = std::fmod(v, 1.0) * kPow10[n];
        char frac[8];
        for (int i = n - 1; i >= 0; --i) {
            if (mantissa <= 0) {
                frac[i] = '0';
            } else {
                frac[i] = static_cast<char>('0' + digitOf(mantissa));
                mantissa /= 10.0;
            }
        }
        for (int i = 0; i < n; ++i)
            out[len++] = frac[i];
    }
    out[len] = 0;
    copyText(text, out, maxLen);
}

void intToText(VstInt32 value, char* text, VstInt32 maxLen) {
    // The lower bound keeps the negation and the first quotient in range.
    if (value >= 100000000 || value <= -100000000) {
        copyText(text, kHuge, maxLen);
        return;
    }
    char out[16];
    int len = 0;
    if (value < 0) {
        out[len++] = '-';
        value = -value;
    }
    bool started = false;
    for (VstInt32 div = 100000000; div >= 1; div /= 10) {
        const VstInt32 digit = value / div;
        value -= digit * div;
        if (digit != 0)
            started = true;
        if (started)
            out[len++] = static_cast<char>('0' + digit);
    }
    if (!started)
        out[len++] = '0';
    out[len] = 0;
    copyText(text, out, maxLen);
}

void decibelsToText(float value, char* text, VstInt32 maxLen) {
    if (value <= 0) {
        copyText(text, "-oo", maxLen);
        return;
    }
    const float lg = static_cast<float>(std::log10(static_cast<double>(value)));
    floatToText(static_cast<float>(20.0 * static_cast<double>(lg)), text, maxLen);
}

void periodToHzText(float samples, float sampleRate, char* text, VstInt32 maxLen) {
    if (samples == 0) {
        floatToText(0.0f, text, maxLen);
        return;
    }
    floatToText(static_cast<float>(static_cast<double>(sampleRate) / static_cast<double>(samples)), text, maxLen);
}

void samplesToMsText(float samples, float sampleRate, char* text, VstInt32 maxLen) {
    floatToText(static_cast<float>(static_cast<double>(samples) * 1000.0 / static_cast<double>(sampleRate)), text,
                maxLen);
}

}  // namespace trs
