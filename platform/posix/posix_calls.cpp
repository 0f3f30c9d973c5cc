#include "posix_calls.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace tolvane {

namespace {

int systemOpenAt(int folderFd, const char* name, int flags) {
    return ::openat(folderFd, name, flags);
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
    static const PosixCalls calls{&systemOpenAt,     &systemStatAt,      &systemStatOpen,
                                  &systemStatVolume, &systemReadEntries, &systemClose};
    return calls;
}

PosixCalls& posixCalls() {
    static PosixCalls calls = systemPosixCalls();
    return calls;
}

}  // namespace tolvane
