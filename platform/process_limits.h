#pragma once

#include <cstddef>
#include <cstdint>

namespace tolvane {

// A mark of the calling thread's own clock, to tell afterwards whether the thread waited
// (for a disk or a share) rather than worked in between.
struct WaitMark {
    std::int64_t first = 0;
    std::int64_t second = 0;
};
WaitMark markWait();
// On POSIX systems: the thread gave up its core of its own accord since the mark. On
// Windows, whose thread times move in clock ticks: more than a millisecond passed and the
// thread ran for less than half of it.
bool waitedSince(const WaitMark& mark);

// How many handles (descriptors) the process may hold at once, the soft limit raised
// towards the hard one first: 1,024 is a common soft limit, far below what deep trees
// need.
std::size_t processHandleLimit();

}  // namespace tolvane
