#include "toolkit/cparamdisplay.h"

#include <cstdio>

#include "toolkit/cbitmap.h"
#include "toolkit/cdrawcontext.h"
#include "toolkit/textfit.h"

CParamDisplay::CParamDisplay(const CRect& size, CBitmap* background, long /*style*/)
    : CControl(size, nullptr, 0, background) {}

void CParamDisplay::setStringConvert(StringConvert c) {
    convert = c;
    convertWithData = nullptr;
    userData = nullptr;
}

void CParamDisplay::setStringConvert(StringConvertWithData c, void* data) {
    convertWithData = c;
    userData = data;
    convert = nullptr;
}

void CParamDisplay::getText(char text[kTextSize]) const {
    text[0] = 0;
    if (convertWithData)
        convertWithData(value, text, userData);
    else if (convert)
        convert(value, text);
    else
        std::snprintf(text, kTextSize, "%2.2f", value);
    text[kTextSize - 1] = 0;  // a converter that ran off the end must not take us with it
}

void CParamDisplay::draw(CDrawContext* context) {
    char text[kTextSize];
    getText(text);
    if (background)
        context->drawBitmap(*background, size, CPoint(0, 0));
    else
        context->fillRect(size, backColor);
    context->frameRect(size, frameColor);
    std::string shown;
    CFontDesc shownFont;
    fitText(*context, text, &shown, &shownFont);
    context->drawStringCentred(shown.c_str(), textBox(), fontColor, shownFont);
}

void CParamDisplay::fitText(const CDrawContext& context, const char* text, std::string* shown,
                            CFontDesc* shownFont) const {
    // A cut glyph misleads: "440.0000" cut on both sides reads as 40.0000.
    const CRect box = textBox();
    const CFontDesc fonts[2] = {font, font.smaller()};
    for (const CFontDesc& f : fonts) {
        *shownFont = f;
        *shown = text;
        if (context.fitsCentred(shown->c_str(), box, f))
            return;
        for (const std::string& s : shorterNumbers(text)) {
            *shown = s;
            if (context.fitsCentred(shown->c_str(), box, f))
                return;
        }
    }
    *shown = text;
    while (!shown->empty() && !context.fitsCentred(shown->c_str(), box, *shownFont))
        shown->pop_back();
}
