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
    // Only 11 px is baked; other sizes draw at 11 px rather than not at all.
    const GlyphTable& glyphs() const { return sansGlyphs11(); }

private:
    std::string name;
    int size;
};
