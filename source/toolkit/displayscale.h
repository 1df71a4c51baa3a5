// How many window pixels the editor gives each pixel of its layout: 2 on a
// high-density screen, else 1.
#pragma once

namespace displayscale {

// TRESSELIN_SCALE=1 or 2 where set; otherwise 2 for a screen of 144 dpi
// and above (150 % desktop scaling), else 1.
int forEditor();

// The same rule with its inputs given: the variable's text (or null) and the dpi.
int choose(const char* variable, double dpi);

}  // namespace displayscale
