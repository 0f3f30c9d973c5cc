#include "name_order.h"

#include "ascii_text.h"

namespace tolvane {

std::string orderKey(std::string_view name) {
    return asciiUpper(name);
}

bool namesInOrder(std::string_view left, std::string_view right) {
    return keysInOrder(orderKey(left), left, orderKey(right), right);
}

}  // namespace tolvane
