#pragma once

#include <QRect>

#include "form_layout.h"

namespace tolvane {

// A control's place from the layout table, in Qt's device-independent pixels, so Qt's own
// scaling serves screens of other resolutions.
inline QRect twipRect(const ControlLayout& layout) {
    const PixelRect rect = pixelRect(layout);
    return QRect(rect.x, rect.y, rect.width, rect.height);
}

}  // namespace tolvane
