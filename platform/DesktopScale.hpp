// How big the user wants programs drawn, from what the desktop publishes: the X resource
// Xft.dpi (96 is 100 %), else GDK_SCALE (a whole factor), else QT_SCALE_FACTOR (a factor).
// Values that cannot be a desktop's setting (text, zero, negative, absurdly large) count as
// not set, so a broken environment never blows the editor up to a silly size.
#pragma once

#include <string_view>

namespace quovent::platform {

inline constexpr double kDesktopDpiAtOne = 96.0;

// The desktop's scale factor (1.0 when nothing usable is set). xftDpi is the resource's text
// (empty when the display has none); the others are the environment's values or null.
double desktopScaleFrom(std::string_view xftDpi, const char* gdkScale, const char* qtScaleFactor);

} // namespace quovent::platform
