#pragma once

#include <sstream>
#include <string>
#include <vector>

namespace tolvane::testing {

// Each file line of a listing as "directory|name" (the header left out), with the first
// `strip` characters cut from each directory, and "|" and the attribute letters after it
// when `withAttributes`.
inline std::vector<std::string> directoryAndNames(const std::string& listing, std::size_t strip = 0,
                                                  bool withAttributes = false) {
    std::vector<std::string> result;
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> fields;
        std::istringstream parts(line);
        for (std::string field; std::getline(parts, field, '\t');) {
            fields.push_back(field);
        }
        if (fields.at(0) != "Filename") {
            result.push_back(fields.at(4).substr(strip) + "|" + fields.at(0) +
                             (withAttributes ? "|" + fields.at(5) : ""));
        }
    }
    return result;
}

}  // namespace tolvane::testing
