#pragma once

#include <string_view>

namespace tolvane {

// The order in which an enumeration returns names, as an NTFS folder lists them: byte
// order after upper-casing ASCII letters (so "alpha" comes before "_x"). Names that differ
// only in case follow plain byte order, so the same folder always lists the same way.
bool namesInOrder(std::string_view left, std::string_view right);

}  // namespace tolvane
