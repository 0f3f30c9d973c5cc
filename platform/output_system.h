#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tolvane {

// Every call that the output files make to the operating system, behind one small
// interface, so that a test can make any one of them fail (a full disk at the third
// write, an interrupted truncate, an I/O error at close) with no root, mount or special
// device. One back end per system implements it over that system's own calls.
//
// Each call makes one attempt and reports a failure as the POSIX calls do, -1 with errno
// set, on every system; retrying an interrupted call is the caller's. A descriptor is
// whatever small number the back end hands out.
class OutputSystem {
  public:
    virtual ~OutputSystem() = default;

    // Opens `path` (UTF-8) for writing, creating it when it is missing. It never truncates
    // and never waits: a FIFO without a reader or a device that is not ready must not hold
    // the program, and the caller looks at what it opened before it empties it.
    virtual int open(const char* path) = 0;
    // 1 for a regular file, 0 for anything else (a FIFO, a device, a socket).
    virtual int isRegularFile(int descriptor) = 0;
    // Lets later writes wait for the file as usual again.
    virtual int setBlocking(int descriptor) = 0;
    virtual int truncate(int descriptor, std::int64_t size) = 0;
    // Writes at most `size` bytes at the file's position; returns how many it wrote.
    virtual std::ptrdiff_t write(int descriptor, const char* data, std::size_t size) = 0;
    // Releases the descriptor, also when it reports a failure.
    virtual int close(int descriptor) = 0;
    // The words for a failure that a call reported with `errnoValue`: the system's own
    // text for what went wrong, which may say more than errno can ("sharing violation"
    // where errno only has "permission denied").
    virtual std::string describe(int errnoValue);
    // Removes the file at `path` (UTF-8).
    virtual int remove(const char* path) = 0;
};

// The running system's calls.
OutputSystem& nativeOutputSystem();

}  // namespace tolvane
