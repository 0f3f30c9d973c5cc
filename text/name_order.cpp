#include "name_order.h"

#include <algorithm>

#include "ascii_text.h"

namespace tolvane {

bool namesInOrder(std::string_view left, std::string_view right) {
    const std::size_t shorter = std::min(left.size(), right.size());
    for (std::size_t at = 0; at < shorter; ++at) {
        const auto a = static_cast<unsigned char>(asciiUpper(left[at]));
        const auto b = static_cast<unsigned char>(asciiUpper(right[at]));
        if (a != b) {
            return a < b;
        }
    }
    if (left.size() != right.size()) {
        return left.size() < right.size();  // a key that ends sooner comes first
    }
    return left < right;  // same name but for case: plain byte order decides
}

}  // namespace tolvane
