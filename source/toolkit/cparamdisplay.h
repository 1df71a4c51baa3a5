// Shows a value as text: back colour, a one-pixel frame, centred text.
#pragma once

#include <string>

#include "toolkit/ccolor.h"
#include "toolkit/ccontrol.h"
#include "toolkit/cfontdesc.h"

class CParamDisplay : public CControl {
public:
    using StringConvert = void (*)(float value, char* text);
    using StringConvertWithData = void (*)(float value, char* text, void* userData);
    static const int kTextSize = 256;

    explicit CParamDisplay(const CRect& size, CBitmap* background = nullptr, long style = 0);

    void setFont(const CFontDesc& f) { font = f; }
    const CFontDesc& getFont() const { return font; }
    void setFontColor(const CColor& c) { fontColor = c; }
    void setBackColor(const CColor& c) { backColor = c; }
    void setFrameColor(const CColor& c) { frameColor = c; }
    CColor getFontColor() const { return fontColor; }
    CColor getBackColor() const { return backColor; }
    CColor getFrameColor() const { return frameColor; }

    void setStringConvert(StringConvert convert);
    void setStringConvert(StringConvertWithData convert, void* userData);
    // The text the display draws for its current value.
    void getText(char text[kTextSize]) const;

    // What draw shows of text in this context: the whole text if it fits the
    // box inside the frame, else a number with fewer fraction digits, else
    // the same in the smaller font, else as many leading glyphs as fit whole.
    void fitText(const CDrawContext& context, const char* text, std::string* shown, CFontDesc* shownFont) const;
    // The box inside the frame that the text must fit.
    CRect textBox() const { return CRect(size.left + 1, size.top + 1, size.right - 1, size.bottom - 1); }

    void draw(CDrawContext* context) override;

private:
    CFontDesc font;
    CColor fontColor = kWhiteCColor;
    CColor backColor = kBlackCColor;
    CColor frameColor = kBlackCColor;
    StringConvert convert = nullptr;
    StringConvertWithData convertWithData = nullptr;
    void* userData = nullptr;
};
