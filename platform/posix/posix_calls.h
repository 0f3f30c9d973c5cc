#pragma once

#include <sys/stat.h>
#include <sys/statfs.h>

#include <cstddef>

namespace tolvane {

// Every system call that reading folders makes, behind one table that tests replace, as
// SQLite's os layer does: a folder that cannot be opened, an entry that vanishes before
// its stat, a reading that fails half way or a process out of descriptors can then be had
// without root's permission bits getting in the way. The entries are called from several
// threads at once; a test changes them only while no walk runs, and puts them back.
struct PosixCalls {
    int (*openAt)(int folderFd, const char* name, int flags);
    // openat2 that crosses no mount: EXDEV where `name` is a mount point, ENOSYS on a
    // kernel without it (before Linux 5.6, or refused by a sandbox).
    int (*openOnVolume)(int folderFd, const char* name, int flags);
    int (*statAt)(int folderFd, const char* name, struct stat* info, int flags);
    int (*statOpen)(int fd, struct stat* info);
    int (*statVolume)(int fd, struct statfs* info);               // fstatfs
    long (*readEntries)(int fd, void* buffer, std::size_t size);  // getdents64
    int (*close)(int fd);
};

// The table in force.
PosixCalls& posixCalls();

// The system's own calls, to put back or to forward to.
const PosixCalls& systemPosixCalls();

}  // namespace tolvane
