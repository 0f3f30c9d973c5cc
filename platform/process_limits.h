#pragma once

#include <cstddef>

namespace tolvane {

// How often the calling thread has given up its core of its own accord (to wait for the
// disk, mostly) so far; -1 where the system does not tell.
long voluntarySwitches();

// How many handles (descriptors) the process may hold at once, the soft limit raised
// towards the hard one first: 1,024 is a common soft limit, far below what deep trees
// need.
std::size_t processHandleLimit();

}  // namespace tolvane
