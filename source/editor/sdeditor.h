// The plug-in's editor: a fixed bitmap panel with fifteen sliders and their
// value displays, three filter-type buttons and two key-tracking knobs, kept
// in step with the effect's parameters both ways.
#pragma once

#include "effect/parameters.h"
#include "toolkit/aeffguieditor.h"
#include "toolkit/ccontrollistener.h"

class AudioEffect;
class CAnimKnob;
class CBitmap;
class CControl;
class COnOffButton;
class CParamDisplay;
class CVerticalSlider;

class SDEditor : public AEffGUIEditor, public CControlListener {
public:
    enum BitmapId {
        bitmapBackground = 128,
        bitmapSliderBody = 129,
        bitmapSliderHandle = 130,
        bitmapFilterButton = 131,
        bitmapKnobStrip = 133,
    };
    static const int kNumSliders = 15;

    explicit SDEditor(AudioEffect* effect);
    ~SDEditor() override;

    bool open(void* parentWindow) override;
    void close() override;
    void setParameter(VstInt32 index, float value) override;
    void valueChanged(CControl* control) override;

    // The filter-type radio group. With a clicked button and -1 it answers the
    // button's parameter value; with no button it lights the button for value.
    float syncFilterTypeButtons(COnOffButton* clicked, float value);

    // The value-to-text functions of the note and wave displays; userData is the effect.
    static void oscNoteText(float value, char* text, void* userData);
    static void oscWaveText(float value, char* text, void* userData);

private:
    // The slider (and display) column of a parameter index, or -1.
    static int columnOf(int index);

    CVerticalSlider* sliders[kNumSliders] = {};
    COnOffButton* filterTypeButtons[3] = {};
    CParamDisplay* displays[kNumSliders] = {};
    CAnimKnob* keyTrackKnobs[2] = {};
    CBitmap* background = nullptr;
    bool inValueChanged = false;
};
