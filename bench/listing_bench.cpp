// Runs the real listing engine with no window and reports its speed.
//
//   listing_bench FOLDER OUTPUT [--filter PATTERN] [--no-recurse] [--comment TEXT]
//                 [--threads N] [--window FOLDERS] [--window-mib MIB]
//
// --threads, --window and --window-mib set how the walk reads ahead (--threads 0 walks
// sequentially).
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

#ifndef _WIN32
#include <sys/resource.h>
#include <time.h>
#endif

namespace {

int usage() {
    std::cerr << "usage: listing_bench FOLDER OUTPUT [--filter PATTERN] [--no-recurse] "
                 "[--comment TEXT] [--threads N] [--window FOLDERS] [--window-mib MIB]\n";
    return 2;
}

// CPU time of the calling thread (the walk's own), to tell the walk's share of the work
// from that of the threads reading ahead.
double threadCpuSeconds() {
#ifdef _WIN32
    return 0;
#else
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
#endif
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
    tolvane::WalkOptions options;
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
        } else if (option == "--threads" && i + 1 < argc) {
            options.readAheadThreads = std::stoul(argv[++i]);
        } else if (option == "--window" && i + 1 < argc) {
            options.windowFolders = std::stoul(argv[++i]);
        } else if (option == "--window-mib" && i + 1 < argc) {
            options.windowBytes = std::stoul(argv[++i]) << 20;
        } else {
            return usage();
        }
    }

    tolvane::ConsoleWindow window(argv[1], stderr);
    tolvane::OutputFileTable files;
    const tolvane::DateTimeText dateText = tolvane::DateTimeText::fromUserSettings();
    tolvane::ListingRun run(fields, window, options, files, dateText);

    const double cpuStart = threadCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    try {
        run.start();
    } catch (const tolvane::RaisedError& error) {
        std::cerr << "Error " << error.number() << " in " << error.source() << ": "
                  << error.description() << "\n";
        return 1;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    std::cerr << window.progress() << "\n";
    const auto listed = run.filesListed();
    std::printf("peak_memory_kib=%ld messages=%d walk_cpu_seconds=%.3f\n", peakMemoryKiB(),
                static_cast<int>(window.messageTitles().size()), threadCpuSeconds() - cpuStart);
    std::printf("files=%llu seconds=%.3f files_per_second=%.0f\n",
                static_cast<unsigned long long>(listed), seconds,
                seconds > 0 ? static_cast<double>(listed) / seconds : 0.0);
    return window.progress().rfind("Directory contenst stored in: ", 0) == 0 ? 0 : 1;
}
