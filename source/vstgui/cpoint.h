#pragma once

#include "vstgui/vstguibase.h"

namespace VSTGUI {

struct CPoint {
    CPoint() = default;
    CPoint(CCoord px, CCoord py) : x(px), y(py) {}

    CPoint& offset(CCoord dx, CCoord dy) {
        x += dx;
        y += dy;
        return *this;
    }
    bool operator==(const CPoint& other) const { return x == other.x && y == other.y; }
    bool operator!=(const CPoint& other) const { return !(*this == other); }

    CCoord x = 0;
    CCoord y = 0;
};

}  // namespace VSTGUI
