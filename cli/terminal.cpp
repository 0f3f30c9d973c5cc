#include "terminal.h"

#include <cstdlib>

#ifdef _WIN32
#include <io.h>
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace tolvane {

namespace {

constexpr int kFallbackColumns = 80;

}  // namespace

bool isTerminal(std::FILE* stream) {
#ifdef _WIN32
    return _isatty(_fileno(stream)) != 0;
#else
    return ::isatty(::fileno(stream)) != 0;
#endif
}

int terminalColumns(std::FILE* stream) {
#ifndef _WIN32
    winsize size{};
    if (::ioctl(::fileno(stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        return size.ws_col;
    }
#else
    static_cast<void>(stream);
#endif
    if (const char* columns = std::getenv("COLUMNS")) {
        const int value = std::atoi(columns);
        if (value > 0) {
            return value;
        }
    }
    return kFallbackColumns;
}

}  // namespace tolvane
