#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include "output_system.h"

namespace tolvane {

namespace {

// A write past the file size limit (`ulimit -f`) raises SIGXFSZ, which ends the process
// with half a line in the file and no word to the user. Ignored, the write fails with
// EFBIG instead and is reported like a full disk. A handler someone else installed stays.
void ignoreFileSizeSignal() {
    static const bool ignored = [] {
        struct sigaction current {};
        if (sigaction(SIGXFSZ, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
            std::signal(SIGXFSZ, SIG_IGN);
        }
        return true;
    }();
    (void)ignored;
}

class PosixOutputSystem : public OutputSystem {
  public:
    int open(const char* path) override {
        ignoreFileSizeSignal();
        // O_NONBLOCK: opening a FIFO with no reader fails at once (ENXIO) instead of
        // waiting for one, and a serial line does not wait for its carrier.
        return ::open(path, O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    }

    int isRegularFile(int descriptor) override {
        struct stat status {};
        if (::fstat(descriptor, &status) != 0) {
            return -1;
        }
        return S_ISREG(status.st_mode) ? 1 : 0;
    }

    int setBlocking(int descriptor) override {
        const int flags = ::fcntl(descriptor, F_GETFL);
        if (flags == -1) {
            return -1;
        }
        return ::fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK);
    }

    int truncate(int descriptor, std::int64_t size) override {
        return ::ftruncate(descriptor, static_cast<off_t>(size));
    }

    std::ptrdiff_t write(int descriptor, const char* data, std::size_t size) override {
        return ::write(descriptor, data, size);
    }

    int close(int descriptor) override { return ::close(descriptor); }

    int remove(const char* path) override { return ::unlink(path); }
};

}  // namespace

OutputSystem& nativeOutputSystem() {
    static PosixOutputSystem system;
    return system;
}

}  // namespace tolvane
