#include "posix_calls.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#if __has_include(<linux/openat2.h>)
#include <linux/openat2.h>
#endif

namespace tolvane {

namespace {

int systemOpenAt(int folderFd, const char* name, int flags) {
    return ::openat(folderFd, name, flags);
}

int systemOpenOnVolume(int folderFd, const char* name, int flags) {
#if defined(SYS_openat2) && defined(RESOLVE_NO_XDEV)
    struct open_how how {};
    how.flags = static_cast<std::uint64_t>(flags);
    how.resolve = RESOLVE_NO_XDEV;
    return static_cast<int>(::syscall(SYS_openat2, folderFd, name, &how, sizeof how));
#else
    (void)folderFd;
    (void)name;
    (void)flags;
    errno = ENOSYS;
    return -1;
#endif
}

int systemStatAt(int folderFd, const char* name, struct stat* info, int flags) {
    return ::fstatat(folderFd, name, info, flags);
}

int systemStatOpen(int fd, struct stat* info) {
    return ::fstat(fd, info);
}

int systemStatVolume(int fd, struct statfs* info) {
    return ::fstatfs(fd, info);
}

long systemReadEntries(int fd, void* buffer, std::size_t size) {
    return ::getdents64(fd, buffer, size);
}

int systemClose(int fd) {
    return ::close(fd);
}

}  // namespace

const PosixCalls& systemPosixCalls() {
    static const PosixCalls calls{&systemOpenAt,   &systemOpenOnVolume, &systemStatAt,
                                  &systemStatOpen, &systemStatVolume,   &systemReadEntries,
                                  &systemClose};
    return calls;
}

PosixCalls& posixCalls() {
    static PosixCalls calls = systemPosixCalls();
    return calls;
}

}  // namespace tolvane
