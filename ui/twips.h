#pragma once

#include <QRect>

namespace tolvane {

// Fifteen twips make one pixel at 96 dots per inch. The window is laid out in Qt's
// device-independent pixels, so Qt's own scaling serves screens of other resolutions.
inline constexpr int kTwipsPerPixel = 15;

inline int twipsToPixels(int twips) {
    return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

// Both edges are rounded, not the size, so that controls laid edge to edge in twips stay
// edge to edge in pixels.
inline QRect twipRect(int left, int top, int width, int height) {
    const int x = twipsToPixels(left);
    const int y = twipsToPixels(top);
    return QRect(x, y, twipsToPixels(left + width) - x, twipsToPixels(top + height) - y);
}

}  // namespace tolvane
