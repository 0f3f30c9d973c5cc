#pragma once

#include <algorithm>
#include <cerrno>
#include <limits>
#include <utility>
#include <vector>

#include "output_system.h"

namespace tolvane::testing {

// The running system's output calls with failures injected: errno `error` from the `nth`
// call (counting from 1) of one kind, which then does nothing, except that a failing close
// still releases the descriptor. Writes can be cut short to `mostPerWrite` bytes each.
class FailingOutputSystem : public OutputSystem {
  public:
    enum Call { kOpen, kWrite, kTruncate, kClose };
    struct Failure {
        Call call = kOpen;
        int nth = 0;
        int error = 0;
    };

    explicit FailingOutputSystem(std::vector<Failure> failures = {},
                                 std::size_t mostPerWrite = std::numeric_limits<std::size_t>::max())
        : failures_(std::move(failures)), mostPerWrite_(mostPerWrite) {}

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
        return fails(kWrite) ? -1 : real().write(descriptor, data, std::min(size, mostPerWrite_));
    }
    int close(int descriptor) override {
        --descriptorsOpen;
        const int result = real().close(descriptor);
        return fails(kClose) ? -1 : result;
    }

    int calls[4] = {};
    int descriptorsOpen = 0;

  private:
    static OutputSystem& real() { return nativeOutputSystem(); }

    bool fails(Call call) {
        ++calls[call];
        for (const Failure& failure : failures_) {
            if (failure.call == call && failure.nth == calls[call]) {
                errno = failure.error;
                return true;
            }
        }
        return false;
    }

    std::vector<Failure> failures_;
    std::size_t mostPerWrite_;
};

}  // namespace tolvane::testing
