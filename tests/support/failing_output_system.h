#pragma once

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "output_system.h"

namespace tolvane::testing {

// The running system's output calls with failures injected: errno `error` from the `nth`
// call (counting from 1) of one kind, which then does nothing (a failing close still
// releases the descriptor). Writes can be cut short to `mostPerWrite` bytes each.
class FailingOutputSystem : public OutputSystem {
  public:
    enum Call { kOpen, kWrite, kTruncate, kClose };
    struct Failure {
        Call call;
        int nth;
        int error;
    };

    explicit FailingOutputSystem(std::vector<Failure> failures = {},
                                 std::size_t mostPerWrite = std::numeric_limits<std::size_t>::max())
        : failures(std::move(failures)), mostPerWrite(mostPerWrite) {}

    int open(const char* path) override {
        const int descriptor = fails(kOpen) ? -1 : real().open(path);
        descriptorsOpen += descriptor >= 0 ? 1 : 0;
        return descriptor;
    }
    int isRegularFile(int descriptor) override { return real().isRegularFile(descriptor); }
    int setBlocking(int descriptor) override { return real().setBlocking(descriptor); }
    int truncate(int descriptor, std::int64_t size) override {
        return fails(kTruncate) ? -1 : real().truncate(descriptor, size);
    }
    std::ptrdiff_t write(int descriptor, const char* data, std::size_t size) override {
        return fails(kWrite) ? -1 : real().write(descriptor, data, std::min(size, mostPerWrite));
    }
    int close(int descriptor) override {
        const bool failing = fails(kClose);
        const int error = errno;
        const int result = real().close(descriptor);
        --descriptorsOpen;
        errno = failing ? error : errno;
        return failing ? -1 : result;
    }

    std::vector<Failure> failures;
    std::size_t mostPerWrite;
    int calls[4] = {};
    int descriptorsOpen = 0;

  private:
    static OutputSystem& real() { return nativeOutputSystem(); }

    bool fails(Call call) {
        ++calls[call];
        for (const Failure& failure : failures) {
            if (failure.call == call && failure.nth == calls[call]) {
                errno = failure.error;
                return true;
            }
        }
        return false;
    }
};

}  // namespace tolvane::testing
