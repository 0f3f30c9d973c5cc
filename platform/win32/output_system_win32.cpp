#include <windows.h>
// After windows.h, which they need.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "output_system.h"
#include "raised_error.h"
#include "win32_error.h"
#include "win32_text.h"

namespace tolvane {

namespace {

// The C runtime's descriptors over the system's handles. They report failures in errno, as
// the POSIX back end does; the system's own error is kept beside it, so that a failure is
// described in the system's words: a file another program holds open is a sharing
// violation, a drive that is not there is a path not found, where errno only has
// "Permission denied" and "No such file or directory".
class Win32OutputSystem : public OutputSystem {
  public:
    int open(const char* path) override {
        // The path is the program's UTF-8 text, opened by its UTF-16 form. Others may read
        // and write the file meanwhile, as with the runtime's own open. Windows opens a
        // pipe or a device without waiting, so no flag is needed for that.
        const HANDLE file = ::CreateFileW(wideFromUtf8(path).c_str(), GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            return failed(::GetLastError());
        }
        const int descriptor =
            _open_osfhandle(reinterpret_cast<std::intptr_t>(file), _O_WRONLY | _O_BINARY);
        if (descriptor < 0) {
            ::CloseHandle(file);
            return failed(ERROR_TOO_MANY_OPEN_FILES);
        }
        return descriptor;
    }

    int isRegularFile(int descriptor) override {
        struct _stat64 status {};
        if (inRuntime([&] { return _fstat64(descriptor, &status); }) != 0) {
            return -1;
        }
        return (status.st_mode & _S_IFMT) == _S_IFREG ? 1 : 0;
    }

    int setBlocking(int) override { return 0; }

    int truncate(int descriptor, std::int64_t size) override {
        return inRuntime([&] {
            const errno_t failure = _chsize_s(descriptor, size);
            errno = failure;
            return failure != 0 ? -1 : 0;
        });
    }

    std::ptrdiff_t write(int descriptor, const char* data, std::size_t size) override {
        // _write counts in an int; the caller goes on with the rest of a larger block.
        constexpr std::size_t kMostAtOnce = std::size_t{1} << 30;
        return inRuntime([&] {
            return _write(descriptor, data, static_cast<unsigned>(std::min(size, kMostAtOnce)));
        });
    }

    int close(int descriptor) override {
        return inRuntime([&] { return _close(descriptor); });
    }

    int remove(const char* path) override {
        return inRuntime([&] { return _wunlink(wideFromUtf8(path).c_str()); });
    }

    std::string describe(int errnoValue) override {
        return errnoValue == lastErrno_ && lastError_ != ERROR_SUCCESS
                   ? win32Description(lastError_)
                   : systemDescription(errnoValue);
    }

  private:
    // A failure of a system call: errno as the runtime would set it, and the call's own
    // error kept for its words.
    int failed(DWORD error) {
        lastError_ = error;
        lastErrno_ = errnoFor(error);
        errno = lastErrno_;
        return -1;
    }

    // A call of the runtime: a failure (a negative result) sets errno, and leaves the
    // system's error in _doserrno where a system call failed beneath it (none for a bad
    // descriptor, which keeps the 0 set here).
    template <class Call>
    int inRuntime(Call call) {
        _doserrno = 0;
        const int result = call();
        if (result < 0) {
            lastErrno_ = errno;
            lastError_ = static_cast<DWORD>(_doserrno);
        }
        return result;
    }

    static int errnoFor(DWORD error) {
        switch (error) {
            case ERROR_FILE_NOT_FOUND:
            case ERROR_PATH_NOT_FOUND:
            case ERROR_INVALID_DRIVE:
            case ERROR_BAD_NETPATH:
            case ERROR_BAD_NET_NAME:
                return ENOENT;
            case ERROR_TOO_MANY_OPEN_FILES:
                return EMFILE;
            case ERROR_DISK_FULL:
            case ERROR_HANDLE_DISK_FULL:
                return ENOSPC;
            case ERROR_INVALID_NAME:
            case ERROR_BAD_PATHNAME:
            case ERROR_DIRECTORY:
                return EINVAL;
            case ERROR_NOT_READY:
            case ERROR_GEN_FAILURE:
            case ERROR_WRITE_FAULT:
                return EIO;
            default:
                return EACCES;  // refused access, a sharing or lock violation, a read-only file
        }
    }

    DWORD lastError_ = ERROR_SUCCESS;
    int lastErrno_ = 0;
};

}  // namespace

OutputSystem& nativeOutputSystem() {
    static Win32OutputSystem system;
    return system;
}

}  // namespace tolvane
