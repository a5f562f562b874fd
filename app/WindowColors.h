#pragma once
// The colours the window and its pages share.

#include <QColor>

inline constexpr QColor kDarkRed(145, 15, 10);     // product header, values, "not connected"
inline constexpr QColor kGreen(0, 164, 0);         // "connected"
inline constexpr QColor kGrey(153, 153, 153);      // the start view's text without a fitting
inline constexpr QColor kDarkGrey(102, 102, 102);  // device details
inline constexpr QColor kLightGrey(170, 170, 170); // greyed texts and switched-off groups
