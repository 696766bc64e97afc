#pragma once

#include "vstgui/vstguibase.h"

namespace VSTGUI {

struct CRect;

struct CPoint {
    CPoint() = default;
    CPoint(CCoord px, CCoord py) : x(px), y(py) {}

    CPoint& offset(CCoord dx, CCoord dy) {
        x += dx;
        y += dy;
        return *this;
    }
    // Inside the rectangle or on any of its four edges.
    bool isInside(const CRect& rect) const;
    bool operator==(const CPoint& other) const { return x == other.x && y == other.y; }
    bool operator!=(const CPoint& other) const { return !(*this == other); }

    CCoord x = 0;
    CCoord y = 0;
};

}  // namespace VSTGUI
