// The plug-in library: the entry point comes from the shell, the effect from
// trs_effect. This unit only anchors the module.
#include "effect/tresselin.h"
