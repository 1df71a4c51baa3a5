// Rectangle in pixels: left and top inside, right and bottom outside.
#pragma once

#include <algorithm>

#include "toolkit/cpoint.h"

struct CRect {
    int left = 0, top = 0, right = 0, bottom = 0;

    CRect() = default;
    CRect(int l, int t, int r, int b) : left(l), top(t), right(r), bottom(b) {}

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }
    bool pointInside(const CPoint& p) const { return p.h >= left && p.h < right && p.v >= top && p.v < bottom; }
    CRect intersection(const CRect& o) const {
        CRect r(std::max(left, o.left), std::max(top, o.top), std::min(right, o.right), std::min(bottom, o.bottom));
        return r.isEmpty() ? CRect() : r;
    }
    bool intersects(const CRect& o) const { return !intersection(o).isEmpty(); }
    CRect unionWith(const CRect& o) const {
        if (isEmpty())
            return o;
        if (o.isEmpty())
            return *this;
        return CRect(std::min(left, o.left), std::min(top, o.top), std::max(right, o.right),
                     std::max(bottom, o.bottom));
    }
    bool operator==(const CRect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
    bool operator!=(const CRect& o) const { return !(*this == o); }
};
