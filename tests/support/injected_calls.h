#pragma once

#include <fcntl.h>

#include <cstddef>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "posix_calls.h"

namespace tolvane::testing {

// The system's calls with failures injected by name, as on a disk whose permissions root
// does not have to obey: installed in posixCalls() for the object's life. The tables are
// filled before a walk starts and only read while it runs.
class InjectedCalls {
  public:
    std::map<std::string, int> openFails;       // a folder that cannot be opened, and why
    std::map<std::string, int> statFails;       // an entry that cannot be queried, and why
    std::set<std::string> stampBeyondCalendar;  // an entry whose time stamp no date holds
    std::map<std::string, int> readingFails;    // a folder whose names fail after one batch
    std::size_t descriptorLimit = 0;            // >0: EMFILE once this many are open
    int queryDelayUs = 0;                       // each query answers this late, as a share does
    // Not 0: every opening that crosses no mount fails so (EXDEV, ENOSYS...), as the other
    // openings do not.
    int onVolumeFails = 0;

    InjectedCalls() {
        current() = this;
        posixCalls() = PosixCalls{&openAt<&PosixCalls::openAt>,
                                  &openAt<&PosixCalls::openOnVolume>,
                                  &statAt,
                                  systemPosixCalls().statOpen,
                                  systemPosixCalls().statVolume,
                                  &readEntries,
                                  &close};
    }
    ~InjectedCalls() {
        posixCalls() = systemPosixCalls();
        current() = nullptr;
    }
    InjectedCalls(const InjectedCalls&) = delete;
    InjectedCalls& operator=(const InjectedCalls&) = delete;

    std::atomic<std::size_t> open{0};
    std::atomic<std::size_t> refused{0};  // openings refused for want of a descriptor
    std::atomic<std::size_t> queries{0};
    std::atomic<std::size_t> queriesNow{0};  // under way at this moment

  private:
    static InjectedCalls*& current() {
        static InjectedCalls* calls = nullptr;
        return calls;
    }
    static int fails(const std::map<std::string, int>& table, const char* name) {
        const auto found = table.find(name);
        return found == table.end() ? 0 : found->second;
    }

    template <int (*PosixCalls::*open)(int, const char*, int)>
    static int openAt(int folderFd, const char* name, int flags) {
        InjectedCalls& self = *current();
        int failure = fails(self.openFails, name);
        if (failure == 0 && self.descriptorLimit != 0 && self.open >= self.descriptorLimit) {
            ++self.refused;
            failure = EMFILE;
        }
        if (failure == 0 && open == &PosixCalls::openOnVolume) {
            failure = self.onVolumeFails;
        }
        if (failure != 0) {
            errno = failure;
            return -1;
        }
        const int fd = (systemPosixCalls().*open)(folderFd, name, flags);
        if (fd >= 0) {
            ++self.open;
            if (self.readingFails.count(name) != 0) {
                std::lock_guard<std::mutex> lock(self.mutex_);
                self.failingReads_[fd] = self.readingFails.at(name);
            }
        }
        return fd;
    }
    static int statAt(int folderFd, const char* name, struct stat* info, int flags) {
        InjectedCalls& self = *current();
        if (const int failure = fails(self.statFails, name); failure != 0) {
            errno = failure;
            return -1;
        }
        ++self.queries;
        ++self.queriesNow;
        if (self.queryDelayUs > 0) {
            std::this_thread::sleep_for(std::chrono::microseconds(self.queryDelayUs));
        }
        const int result = systemPosixCalls().statAt(folderFd, name, info, flags);
        --self.queriesNow;
        if (result == 0 && self.stampBeyondCalendar.count(name) != 0) {
            info->st_mtime = LLONG_MAX;
        }
        return result;
    }
    static long readEntries(int fd, void* buffer, std::size_t size) {
        InjectedCalls& self = *current();
        {
            std::lock_guard<std::mutex> lock(self.mutex_);
            const auto found = self.failingReads_.find(fd);
            if (found != self.failingReads_.end() && found->second < 0) {
                errno = -found->second;
                return -1;  // the second batch
            }
            if (found != self.failingReads_.end()) {
                found->second = -found->second;
            }
        }
        return systemPosixCalls().readEntries(fd, buffer, size);
    }
    static int close(int fd) {
        InjectedCalls& self = *current();
        {
            std::lock_guard<std::mutex> lock(self.mutex_);
            self.failingReads_.erase(fd);
        }
        --self.open;
        return systemPosixCalls().close(fd);
    }

    std::mutex mutex_;
    std::map<int, int> failingReads_;  // by descriptor: the failure, negated once read
};

}  // namespace tolvane::testing
