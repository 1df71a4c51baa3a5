#include "editor/sdeditor.h"

#include "shell/audioeffect.h"
#include "toolkit/canimknob.h"
#include "toolkit/cbitmap.h"
#include "toolkit/cframe.h"
#include "toolkit/conoffbutton.h"
#include "toolkit/cparamdisplay.h"
#include "toolkit/cverticalslider.h"

namespace {

struct SliderColumn {
    int tag;
    int left;
    float resetValue;  // below 0: keep the toolkit's 0.5
};

// In drawing order; the display under each slider shares its row.
const SliderColumn kSliders[SDEditor::kNumSliders] = {
    {kOscAmount, 40, -1.f},   {kOscNote, 75, -1.f},      {kOscWave, 110, 0.75f},  {kNoiseAmount, 176, -1.f},
    {kNoiseColor, 211, -1.f}, {kCutoff, 274, 1.0f},      {kResonance, 309, 0.5f}, {kEf1OscAm, 364, 0.5f},
    {kEf1NoiseAm, 399, 0.5f}, {kEf1Smooth, 434, 0.5f},   {kEf2OscFm, 469, 1.0f},  {kEf2Cutoff, 504, 1.0f},
    {kEf2Smooth, 539, 0.5f},  {kDryToFilter, 597, 1.0f}, {kDry, 632, 0.5f},
};
const int kDisplayLefts[SDEditor::kNumSliders] = {33,  68,  103, 166, 201, 264, 299, 358,
                                                  393, 428, 463, 498, 533, 591, 626};
const int kSliderTop = 160;
const int kDisplayTop = 326;
const int kDisplayBottom = 340;
const int kDisplayWidth = 30;
const int kKnobTags[2] = {kFilterKeyTrack, kOscKeyTrack};
const CRect kKnobRects[2] = {CRect(339, 44, 371, 76), CRect(396, 44, 428, 76)};
const int kButtonLeft = 264, kButtonRight = 290, kButtonTop = 40, kButtonHeight = 18;

}  // namespace

SDEditor::SDEditor(AudioEffect* effect) : AEffGUIEditor(effect) {
    // Built inside the effect's constructor: out of memory here means an
    // editor of size 0, never an exception through the host's entry point.
    try {
        background = new CBitmap(bitmapBackground);
    } catch (...) {
        background = nullptr;
    }
    rect.top = 0;
    rect.left = 0;
    rect.bottom = VstInt16(background ? background->getHeight() : 0);
    rect.right = VstInt16(background ? background->getWidth() : 0);
}

SDEditor::~SDEditor() {
    // The effect is going away: take the window down with it, so nothing
    // shows or calls into a dead object.
    if (frame)
        close();
    if (background)
        background->forget();
}

int SDEditor::columnOf(int index) {
    for (int i = 0; i < kNumSliders; ++i)
        if (kSliders[i].tag == index)
            return i;
    return -1;
}

bool SDEditor::open(void* parentWindow) {
    AEffGUIEditor::open(parentWindow);
    if (frame)
        close();  // a host that opens twice gets one window, not two
    if (!background)
        return true;

    CBitmap* body = new CBitmap(bitmapSliderBody);
    CBitmap* handle = new CBitmap(bitmapSliderHandle);
    CBitmap* button = new CBitmap(bitmapFilterButton);
    CBitmap* knob = new CBitmap(bitmapKnobStrip);

    // Kept local until the end, so that a parameter change arriving meanwhile
    // finds no frame and leaves the half-built controls alone.
    CFrame* newFrame =
        new CFrame(CRect(0, 0, background->getWidth(), background->getHeight()), parentWindow, this, getScale());
    newFrame->setBackground(background);

    const int minPos = kSliderTop;
    const int maxPos = kSliderTop + body->getHeight() - handle->getHeight() - 1;

    for (int i = 0; i < 2; ++i) {
        CAnimKnob* k = new CAnimKnob(kKnobRects[i], this, kKnobTags[i], knob, CPoint(0, 0));
        k->setValue(effect->getParameter(kKnobTags[i]));
        newFrame->addView(k);
        keyTrackKnobs[i] = k;
    }

    for (int i = 0; i < kNumSliders; ++i) {
        const SliderColumn& c = kSliders[i];
        const CRect r(c.left, kSliderTop, c.left + body->getWidth(), kSliderTop + body->getHeight());
        CVerticalSlider* s = new CVerticalSlider(r, this, c.tag, minPos, maxPos, handle, nullptr, CPoint(0, 0));
        s->setOffsetHandle(CPoint(1, 0));
        s->setValue(effect->getParameter(c.tag));
        if (c.resetValue >= 0.f)
            s->setDefaultValue(c.resetValue);
        newFrame->addView(s);
        sliders[i] = s;
    }

    for (int i = 0; i < 3; ++i) {
        const int top = kButtonTop + i * kButtonHeight;
        COnOffButton* b =
            new COnOffButton(CRect(kButtonLeft, top, kButtonRight, top + kButtonHeight), this, kFilterType, button);
        newFrame->addView(b);
        filterTypeButtons[i] = b;
    }
    syncFilterTypeButtons(nullptr, effect->getParameter(kFilterType));

    const CFontDesc font("Arial", 11);
    for (int i = 0; i < kNumSliders; ++i) {
        const int left = kDisplayLefts[i];
        CParamDisplay* d = new CParamDisplay(CRect(left, kDisplayTop, left + kDisplayWidth, kDisplayBottom));
        d->setFont(font);
        d->setFontColor(CColor(255, 255, 255, 255));
        d->setBackColor(CColor(0, 0, 0, 255));
        d->setFrameColor(CColor(127, 127, 127, 255));
        d->setValue(effect->getParameter(kSliders[i].tag));
        if (kSliders[i].tag == kOscNote)
            d->setStringConvert(oscNoteText, effect);
        else if (kSliders[i].tag == kOscWave)
            d->setStringConvert(oscWaveText, effect);
        newFrame->addView(d);
        displays[i] = d;
    }

    body->forget();
    handle->forget();
    button->forget();
    knob->forget();

    frame = newFrame;
    return true;
}

void SDEditor::close() {
    CFrame* old = frame;
    frame = nullptr;
    delete old;
}

void SDEditor::setParameter(VstInt32 index, float /*value*/) {
    // Only stores values: this may run on the host's audio thread, and the
    // frame draws the changes at its next idle call on the editor's thread.
    if (!frame || index < 0 || index >= kNumParams)
        return;
    if (index == kFilterType) {
        if (filterTypeButtons[0] && filterTypeButtons[1] && filterTypeButtons[2])
            syncFilterTypeButtons(nullptr, effect->getParameter(index));
        return;
    }
    if (index == kFilterKeyTrack || index == kOscKeyTrack) {
        CAnimKnob* k = keyTrackKnobs[index == kOscKeyTrack];
        if (k && !inValueChanged)
            k->setValue(effect->getParameter(index));
        return;
    }
    const int column = columnOf(index);
    if (column < 0)
        return;
    if (sliders[column] && !inValueChanged)
        sliders[column]->setValue(effect->getParameter(index));
    if (displays[column])
        displays[column]->setValue(effect->getParameter(index));
}

void SDEditor::valueChanged(CControl* control) {
    inValueChanged = true;
    const long tag = control->getTag();
    if (tag == kFilterType) {
        const float value = syncFilterTypeButtons(static_cast<COnOffButton*>(control), -1.f);
        effect->setParameterAutomated(kFilterType, value);
        control->setDirty(true);
    } else if (tag >= 0 && tag < kNumParams) {
        effect->setParameterAutomated(VstInt32(tag), control->getValue());
        control->setDirty(true);
    }
    inValueChanged = false;
}

float SDEditor::syncFilterTypeButtons(COnOffButton* clicked, float value) {
    if (clicked && value == -1.f) {
        if (clicked == filterTypeButtons[0])
            return 0.f;
        if (clicked == filterTypeButtons[1])
            return 0.5f;
        if (clicked == filterTypeButtons[2])
            return 1.f;
    }
    const int n = int(double(value) * 3.0);
    int lit = -1;
    if (n == 0)
        lit = 0;
    else if (n == 1)
        lit = 1;
    else if (n == 2 || n == 3)
        lit = 2;
    if (lit >= 0)
        for (int i = 0; i < 3; ++i)
            if (filterTypeButtons[i])
                filterTypeButtons[i]->setValue(i == lit ? 0.f : 1.f);
    return value;
}

void SDEditor::oscNoteText(float /*value*/, char* text, void* userData) {
    if (userData)
        static_cast<AudioEffect*>(userData)->getParameterDisplay(kOscNote, text);
    else
        text[0] = 0;
}

void SDEditor::oscWaveText(float /*value*/, char* text, void* userData) {
    if (userData)
        static_cast<AudioEffect*>(userData)->getParameterDisplay(kOscWave, text);
    else
        text[0] = 0;
}
