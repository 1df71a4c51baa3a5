#include "toolkit/cparamdisplay.h"

#include <cstdio>

#include "toolkit/cbitmap.h"
#include "toolkit/cdrawcontext.h"

CParamDisplay::CParamDisplay(const CRect& size, CBitmap* background, long /*style*/)
    : CControl(size, nullptr, 0, background)
{
}

void CParamDisplay::setStringConvert(StringConvert c)
{
    convert = c;
    convertWithData = nullptr;
    userData = nullptr;
}

void CParamDisplay::setStringConvert(StringConvertWithData c, void* data)
{
    convertWithData = c;
    userData = data;
    convert = nullptr;
}

void CParamDisplay::getText(char text[kTextSize]) const
{
    text[0] = 0;
    if (convertWithData)
        convertWithData(value, text, userData);
    else if (convert)
        convert(value, text);
    else
        std::snprintf(text, kTextSize, "%2.2f", value);
    text[kTextSize - 1] = 0;  // a converter that ran off the end must not take us with it
}

void CParamDisplay::draw(CDrawContext* context)
{
    char text[kTextSize];
    getText(text);
    if (background)
        context->drawBitmap(*background, size, CPoint(0, 0));
    else
        context->fillRect(size, backColor);
    context->frameRect(size, frameColor);
    const CRect inside(size.left + 1, size.top + 1, size.right - 1, size.bottom - 1);
    context->drawStringCentred(text, inside, fontColor, font);
}
