#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "output_system.h"
#include "win32_text.h"

namespace tolvane {

namespace {

// The C runtime's descriptors: they report failures in errno, as the POSIX back end does,
// so that both describe them in the same words.
class Win32OutputSystem : public OutputSystem {
  public:
    int open(const char* path) override {
        // The path is the program's UTF-8 text; the narrow call would read it as ANSI.
        // Windows opens a pipe or a device without waiting, so no flag is needed for that.
        return _wopen(wideFromUtf8(path).c_str(), _O_WRONLY | _O_CREAT | _O_BINARY | _O_NOINHERIT,
                      _S_IREAD | _S_IWRITE);
    }

    int isRegularFile(int descriptor) override {
        struct _stat64 status {};
        if (_fstat64(descriptor, &status) != 0) {
            return -1;
        }
        return (status.st_mode & _S_IFMT) == _S_IFREG ? 1 : 0;
    }

    int setBlocking(int) override { return 0; }

    int truncate(int descriptor, std::int64_t size) override {
        const errno_t failure = _chsize_s(descriptor, size);
        if (failure != 0) {
            errno = failure;
            return -1;
        }
        return 0;
    }

    std::ptrdiff_t write(int descriptor, const char* data, std::size_t size) override {
        // _write counts in an int; the caller goes on with the rest of a larger block.
        constexpr std::size_t kMostAtOnce = std::size_t{1} << 30;
        return _write(descriptor, data, static_cast<unsigned>(std::min(size, kMostAtOnce)));
    }

    int close(int descriptor) override { return _close(descriptor); }

    int remove(const char* path) override { return _wunlink(wideFromUtf8(path).c_str()); }
};

}  // namespace

OutputSystem& nativeOutputSystem() {
    static Win32OutputSystem system;
    return system;
}

}  // namespace tolvane
