#pragma once

#include <QIcon>

namespace tolvane {

// The window's icon: a 32 x 32 picture in the 16 standard colours of a yellow folder
// with a sheet of tabbed lines rising from it.
QIcon makeWindowIcon();

}  // namespace tolvane
