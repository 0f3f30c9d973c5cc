#include "name_order.h"

namespace tolvane {

namespace {

unsigned char foldedByte(char c) {
    const auto b = static_cast<unsigned char>(c);
    return (b >= 'a' && b <= 'z') ? static_cast<unsigned char>(b - 'a' + 'A') : b;
}

}  // namespace

bool namesInOrder(std::string_view left, std::string_view right) {
    const std::size_t common = left.size() < right.size() ? left.size() : right.size();
    for (std::size_t i = 0; i < common; ++i) {
        if (left[i] == right[i]) {
            continue;  // the common case in a sorted folder: long shared beginnings
        }
        const unsigned char l = foldedByte(left[i]);
        const unsigned char r = foldedByte(right[i]);
        if (l != r) {
            return l < r;
        }
    }
    if (left.size() != right.size()) {
        return left.size() < right.size();
    }
    return left < right;  // same name but for case: plain byte order decides
}

}  // namespace tolvane
