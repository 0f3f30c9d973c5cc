#include "process_limits.h"

namespace tolvane {

long voluntarySwitches() {
    return -1;  // Windows does not tell
}

std::size_t processHandleLimit() {
    // A walk keeps folders open by their paths alone: no handle stays open between the
    // searches, so nothing limits how many it keeps.
    return 65536;
}

}  // namespace tolvane
