// A point in pixels: h across, v down.
#pragma once

struct CPoint {
    int h = 0, v = 0;

    CPoint() = default;
    CPoint(int h, int v) : h(h), v(v) {}
    bool operator==(const CPoint& o) const { return h == o.h && v == o.v; }
};
