// A font by name and pixel size. Every name maps to our one baked sans face.
#pragma once

#include <string>

#include "toolkit/glyphtable.h"

class CFontDesc {
public:
    CFontDesc() : name("Arial"), size(11) {}
    CFontDesc(const char* name, int size) : name(name ? name : ""), size(size) {}

    const std::string& getName() const { return name; }
    int getSize() const { return size; }
    // The table for drawing at the given scale (1 or 2). Sizes we have not
    // baked draw at 11 px rather than not at all.
    const GlyphTable& glyphs(int scale = 1) const;
    // The next smaller baked size, for a text too wide at this one; a font
    // already at the smallest gives itself.
    CFontDesc smaller() const;

private:
    std::string name;
    int size;
};
