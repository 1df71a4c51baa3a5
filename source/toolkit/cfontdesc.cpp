#include "toolkit/cfontdesc.h"

const GlyphTable& CFontDesc::glyphs(int scale) const {
    if (size == 8)
        return scale == 2 ? sansGlyphs15() : sansGlyphs8();
    return scale == 2 ? sansGlyphs22() : sansGlyphs11();
}

CFontDesc CFontDesc::smaller() const {
    return CFontDesc(name.c_str(), size > 8 ? 8 : size);
}
