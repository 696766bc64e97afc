// Basic types of the GUI layer.
#pragma once

#include <cstdint>

namespace VSTGUI {

using int8 = int8_t;
using uint8 = uint8_t;
using int16 = int16_t;
using uint16 = uint16_t;
using int32 = int32_t;
using uint32 = uint32_t;
using int64 = int64_t;
using uint64 = uint64_t;
using CCoord = double;
using IdStringPtr = const char*;
using UTF8StringPtr = const char*;

enum CMessageResult : int32 { kMessageUnknown = 0, kMessageNotified = 1 };

// What a view answers to a mouse event. A press answered with kMouseEventHandled makes the view
// receive the moves and the release that follow it.
enum CMouseEventResult : int32 {
    kMouseEventNotImplemented = 0,
    kMouseEventHandled,
    kMouseEventNotHandled,
    kMouseDownEventHandledButDontNeedMovedOrUpEvents,
};

enum CHoriTxtAlign : int32 { kLeftText = 0, kCenterText, kRightText };

// The cursors views may ask their frame for; the values are the toolkit's published ones.
enum CCursorType : int32 { kCursorDefault = 0, kCursorCopy = 7, kCursorHand = 9 };

}  // namespace VSTGUI
