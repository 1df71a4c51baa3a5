// The LV2 edition's names and port layout, shared by the plug-in, its UI,
// the Turtle generator and the tests. The URIs must never change: hosts
// store sessions by them.
#pragma once

#include <cstdint>

#include "effect/parameters.h"

namespace trs::lv2 {

inline constexpr char kPluginUri[] = "urn:tresselin:lv2";
inline constexpr char kUiUri[] = "urn:tresselin:lv2:ui";
inline constexpr char kBundleName[] = "Tresselin.lv2";
inline constexpr char kDspBinary[] = "tresselin_dsp.so";
inline constexpr char kUiBinary[] = "tresselin_ui.so";

// The controls come first, so a control's port index is its parameter index.
enum Port : uint32_t {
    kFirstControl = 0,
    kInputLeft = kNumParams,
    kInputRight,
    kOutputLeft,
    kOutputRight,
    kMidiInput,
    kNumPorts
};

}  // namespace trs::lv2
