#include <windows.h>

#include "process_limits.h"

namespace tolvane {

namespace {

std::int64_t threadRunTime() {  // in 100 ns
    FILETIME created{}, ended{}, kernel{}, user{};
    if (!GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel, &user)) {
        return 0;
    }
    const auto value = [](const FILETIME& t) {
        return static_cast<std::int64_t>(static_cast<std::uint64_t>(t.dwHighDateTime) << 32 |
                                         t.dwLowDateTime);
    };
    return value(kernel) + value(user);
}

std::int64_t wallTime() {  // in 100 ns
    LARGE_INTEGER now{}, frequency{};
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<std::int64_t>(static_cast<double>(now.QuadPart) * 1e7 /
                                     static_cast<double>(frequency.QuadPart));
}

}  // namespace

WaitMark markWait() {
    return WaitMark{threadRunTime(), wallTime()};
}

bool waitedSince(const WaitMark& mark) {
    const std::int64_t ran = threadRunTime() - mark.first;
    const std::int64_t passed = wallTime() - mark.second;
    return passed > 10000 && ran * 2 < passed;
}

std::size_t processHandleLimit() {
    // A walk keeps folders open by their paths alone: no handle stays open between the
    // searches, so nothing limits how many it keeps.
    return 65536;
}

}  // namespace tolvane
