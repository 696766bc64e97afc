// Mouse buttons and keyboard modifiers of a mouse event. On this platform Control stands in for
// the Command key and Alt for the Option key.
#pragma once

#include "vstgui/vstguibase.h"

namespace VSTGUI {

enum CButton : int32 {
    kLButton = 1 << 1,
    kMButton = 1 << 2,
    kRButton = 1 << 3,
    kShift = 1 << 4,
    kControl = 1 << 5,
    kAlt = 1 << 6,
    kApple = 1 << 7,
};

constexpr int32 kModifierMask = kShift | kControl | kAlt | kApple;

class CButtonState {
public:
    constexpr CButtonState(int32 buttonState = 0) : state(buttonState) {}  // NOLINT(google-explicit-constructor)

    constexpr int32 operator&(int32 mask) const { return state & mask; }
    constexpr CButtonState& operator|=(int32 bits) {
        state |= bits;
        return *this;
    }
    constexpr bool operator==(const CButtonState& o) const { return state == o.state; }
    constexpr bool operator!=(const CButtonState& o) const { return state != o.state; }
    constexpr operator int32() const { return state; }  // NOLINT(google-explicit-constructor)

private:
    int32 state;
};

}  // namespace VSTGUI
