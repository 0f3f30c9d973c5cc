// tolvane-list: the listing of the Tolvane window, for servers, cron and scripts.
#include <clocale>
#include <string>
#include <vector>

#include "list_command.h"
#include "process_setup.h"

#ifdef _WIN32
#include "win32_text.h"

// The wide arguments, so that names outside the ANSI code page arrive intact as UTF-8.
int wmain(int argc, wchar_t** argv) {
    tolvane::prepareProcess();
    std::setlocale(LC_ALL, "");
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.push_back(tolvane::utf8FromWide(argv[i]));
    }
    return tolvane::listCommand(arguments);
}
#else
int main(int argc, char** argv) {
    tolvane::prepareProcess();
    // The dates follow the user's LC_TIME, as in the window.
    std::setlocale(LC_ALL, "");
    return tolvane::listCommand(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
