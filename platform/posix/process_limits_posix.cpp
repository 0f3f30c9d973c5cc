#include <sys/resource.h>
#include <sys/time.h>

#include <algorithm>

#include "process_limits.h"

namespace tolvane {

WaitMark markWait() {
    rusage usage{};
    ::getrusage(RUSAGE_THREAD, &usage);
    return WaitMark{usage.ru_nvcsw, 0};
}

bool waitedSince(const WaitMark& mark) {
    return markWait().first != mark.first;
}

std::size_t processHandleLimit() {
    constexpr rlim_t kEnough = 65536;
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) {
        return 1024;
    }
    const rlim_t wanted = std::min<rlim_t>(limit.rlim_max, kEnough);
    if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < wanted) {
        limit.rlim_cur = wanted;
        ::setrlimit(RLIMIT_NOFILE, &limit);
        ::getrlimit(RLIMIT_NOFILE, &limit);
    }
    return limit.rlim_cur == RLIM_INFINITY
               ? kEnough
               : static_cast<std::size_t>(std::min<rlim_t>(limit.rlim_cur, kEnough));
}

}  // namespace tolvane
