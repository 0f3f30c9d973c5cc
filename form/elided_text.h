#pragma once

#include <functional>
#include <string>

namespace tolvane {

// `text` cut to what `fits` accepts (the width of a status line), "..." standing for what
// was left out of its middle. The end, from the last path separator on, is the file or
// folder the text names: it is kept whole and as much of the start as fits goes before
// the "..."; when even the end alone is too wide, the end's last characters are kept. A
// text that fits comes back as it is. UTF-8 characters are never split.
std::string elidedInMiddle(const std::string& text,
                           const std::function<bool(const std::string&)>& fits);

}  // namespace tolvane
