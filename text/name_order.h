#pragma once

#include <string>
#include <string_view>

namespace tolvane {

// The order in which an enumeration returns names, as an NTFS folder lists them: byte
// order after upper-casing ASCII letters (so "alpha" comes before "_x"). Names that differ
// only in case follow plain byte order, so the same folder always lists the same way.
bool namesInOrder(std::string_view left, std::string_view right);

// The key a name is ordered by: the name with its ASCII letters upper-cased, byte for byte,
// so that the key of several names laid end to end is their keys laid end to end.
std::string orderKey(std::string_view name);

// namesInOrder for names whose keys are already made: a sort of many names makes each key
// once instead of at every comparison. Inline, since a sort calls it n log n times.
inline bool keysInOrder(std::string_view leftKey, std::string_view left, std::string_view rightKey,
                        std::string_view right) {
    // string_view compares bytes as unsigned and a shorter name first on a tie.
    const int order = leftKey.compare(rightKey);
    if (order != 0) {
        return order < 0;
    }
    return left < right;  // same name but for case: plain byte order decides
}

}  // namespace tolvane
