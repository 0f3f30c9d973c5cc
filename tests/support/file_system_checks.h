#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "file_system.h"
#include "raised_error.h"

namespace tolvane::testing {

// Every name of one enumeration, in the file system's order or sorted.
inline std::vector<std::string> enumerate(FileSystem& fs, const std::string& pattern,
                                          std::uint32_t mask, bool sorted = false) {
    std::vector<std::string> names;
    for (std::string name = fs.startEnumeration(pattern, mask); !name.empty();
         name = fs.nextName()) {
        names.push_back(name);
    }
    if (sorted) {
        std::sort(names.begin(), names.end());
    }
    return names;
}

// "number: description" of the RaisedError that `call` raises, or "nothing raised".
template <typename Call>
std::string raisedBy(Call call) {
    try {
        call();
    } catch (const RaisedError& error) {
        return std::to_string(error.number()) + ": " + error.description();
    }
    return "nothing raised";
}

}  // namespace tolvane::testing
