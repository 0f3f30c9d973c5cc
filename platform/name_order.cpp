#include "name_order.h"

namespace tolvane {

std::string orderKey(std::string_view name) {
    std::string key(name);
    for (char& c : key) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return key;
}

bool namesInOrder(std::string_view left, std::string_view right) {
    return keysInOrder(orderKey(left), left, orderKey(right), right);
}

}  // namespace tolvane
