// Runs the real listing engine with no window and reports its speed.
//
//   listing_bench FOLDER OUTPUT [--filter PATTERN] [--no-recurse] [--comment TEXT]
//
// The walker's messages go to stderr and count as answered. The last line printed is
// "files=N seconds=S files_per_second=R".

#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "console_window.h"
#include "date_time_text.h"
#include "listing_fields.h"
#include "listing_run.h"
#include "output_file_table.h"
#include "raised_error.h"

#ifdef _WIN32
#include "win32_file_system.h"
using NativeFileSystem = tolvane::Win32FileSystem;
#else
#include <sys/resource.h>

#include "posix_file_system.h"
using NativeFileSystem = tolvane::PosixFileSystem;
#endif

namespace {

int usage() {
    std::cerr << "usage: listing_bench FOLDER OUTPUT [--filter PATTERN] [--no-recurse] "
                 "[--comment TEXT]\n";
    return 2;
}

long peakMemoryKiB() {
#ifdef _WIN32
    return 0;
#else
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
#endif
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    if (argc < 3) {
        return usage();
    }
    tolvane::ListingFields fields;
    fields.RecurseSubdirectories = true;
    fields.SaveFilename = argv[2];
    for (int i = 3; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--no-recurse") {
            fields.RecurseSubdirectories = false;
        } else if (option == "--filter" && i + 1 < argc) {
            fields.UseFileFilter = true;
            fields.FileFilter = argv[++i];
        } else if (option == "--comment" && i + 1 < argc) {
            fields.AddComment = true;
            fields.FileComment = argv[++i];
        } else {
            return usage();
        }
    }

    tolvane::ConsoleWindow window(argv[1], stderr);
    NativeFileSystem fileSystem;
    tolvane::OutputFileTable files;
    const tolvane::DateTimeText dateText = tolvane::DateTimeText::fromUserSettings();
    tolvane::ListingRun run(fields, window, fileSystem, files, dateText);

    const auto start = std::chrono::steady_clock::now();
    try {
        run.Make_Button_Click();
    } catch (const tolvane::RaisedError& error) {
        std::cerr << "Error " << error.number() << " in " << error.source() << ": "
                  << error.description() << "\n";
        return 1;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    std::cerr << window.progress() << "\n";
    const auto listed = run.filesListed();
    std::printf("peak_memory_kib=%ld messages=%d\n", peakMemoryKiB(),
                static_cast<int>(window.messageTitles().size()));
    std::printf("files=%llu seconds=%.3f files_per_second=%.0f\n",
                static_cast<unsigned long long>(listed), seconds,
                seconds > 0 ? static_cast<double>(listed) / seconds : 0.0);
    return window.progress().rfind("Directory contenst stored in: ", 0) == 0 ? 0 : 1;
}
