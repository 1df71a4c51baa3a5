// A baked anti-aliased font: coverage bitmaps for the printable ASCII range.
#pragma once

struct GlyphTable {
    struct Glyph {
        unsigned char width, height;
        signed char left;        // from the pen position to the bitmap's left column
        signed char top;         // from the baseline to the bitmap's top row (negative is up)
        unsigned short advance;  // in 1/64 pixel
        unsigned int offset;     // into coverage
    };
    int pixelSize;
    int ascent;
    int descent;
    int first;
    int last;
    const Glyph* glyphs;
    const unsigned char* coverage;

    const Glyph* find(char c) const {
        int code = static_cast<unsigned char>(c);
        if (code < first || code > last)
            code = '?';
        return &glyphs[code - first];
    }
};

// Liberation Sans Regular at 11 pixels: the face our displays use for
// "Arial" 11; at 8 for texts too wide for it; at 22 and 15 for the editor
// at twice the size (16 would cut "saw-sqr" by a pixel).
const GlyphTable& sansGlyphs8();
const GlyphTable& sansGlyphs11();
const GlyphTable& sansGlyphs15();
const GlyphTable& sansGlyphs22();
