#pragma once
// What the window benchmarks share: their command line, the user's press that arrives
// from outside the program while a run is under way, and their report. The window itself
// is the toolkit's (qt_window_bench.cpp, win32_window_bench.cpp).
//
//   *_window_bench FOLDER OUTPUT [--press stop|exit|close] [--after MS] [--interval MS]
//
// Without --press the run lists FOLDER into OUTPUT and the time from the Make key (Alt+M)
// to the listing closed is reported, as listing_bench reports the engine's. With --press
// the user presses Stop (Alt+S), chooses Exit or clicks the close button MS milliseconds
// after Alt+M (default 300), and the time from the press reaching the window's queue to
// the run's end (Stop) or the program's end (Exit, close) is reported. --interval sets how
// often the run hands the window its events (YieldPacing::kInterval unless given).

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <iostream>
#include <string>
#include <thread>

#include "yield_pacing.h"

namespace tolvane::bench {

using Clock = std::chrono::steady_clock;

enum class Press { None, Stop, Exit, Close };

struct WindowBenchOptions {
    std::string folder;
    std::string output;
    Press press = Press::None;
    std::chrono::milliseconds after{300};
    std::chrono::milliseconds interval{YieldPacing::kInterval};
};

inline bool parseWindowBenchOptions(int argc, char** argv, WindowBenchOptions& options) {
    if (argc < 3) {
        return false;
    }
    options.folder = argv[1];
    options.output = argv[2];
    for (int i = 3; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        const std::string value = argv[i + 1];
        if (option == "--after") {
            options.after = std::chrono::milliseconds(std::stol(value));
        } else if (option == "--interval") {
            options.interval = std::chrono::milliseconds(std::stol(value));
        } else if (option == "--press" &&
                   (value == "stop" || value == "exit" || value == "close")) {
            options.press = value == "stop"   ? Press::Stop
                            : value == "exit" ? Press::Exit
                                              : Press::Close;
        } else {
            return false;
        }
    }
    return argc % 2 == 1;
}

inline int windowBenchUsage(const char* program) {
    std::cerr << "usage: " << program << " FOLDER OUTPUT [--press stop|exit|close] [--after MS]\n";
    return 2;
}

inline double secondsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

// The user's press, from a thread of its own as the window system delivers input: `post`
// puts it in the window's queue (it must be safe to call from another thread), and the
// time it did so is kept.
class PressFromOutside {
  public:
    void start(std::chrono::milliseconds after, std::function<void()> post) {
        thread_ = std::thread([this, after, post = std::move(post)] {
            std::this_thread::sleep_for(after);
            posted_ = Clock::now();
            done_ = true;
            post();
        });
    }
    ~PressFromOutside() {
        if (thread_.joinable()) {
            thread_.join();
        }
    }
    bool posted() const { return done_; }
    Clock::time_point postedAt() const { return posted_; }
    // Called by the window when it takes the press from its queue.
    void seen() { seen_ = Clock::now(); }
    Clock::time_point seenAt() const { return seen_; }

  private:
    std::thread thread_;
    Clock::time_point posted_{};
    Clock::time_point seen_{};
    std::atomic<bool> done_{false};
};

// The files a listing holds: its lines less the header.
inline unsigned long long listedFiles(const std::string& listing) {
    unsigned long long lines = 0;
    if (FILE* file = std::fopen(listing.c_str(), "rb")) {
        for (int c = 0; (c = std::fgetc(file)) != EOF;) {
            lines += c == '\n';
        }
        std::fclose(file);
    }
    return lines > 0 ? lines - 1 : 0;
}

// The figures, one line, in the form bench/compare reads: "files=N seconds=S" for a run,
// "press=NAME seen_ms=S done_ms=D" for a press: from the press reaching the window's queue
// to the window taking it, and to the run's or the program's end.
inline void reportRun(unsigned long long files, double seconds, int labelSamples,
                      int labelsShowingAFolder) {
    std::printf("label_samples=%d label_showing_a_folder=%d\n", labelSamples, labelsShowingAFolder);
    std::printf("files=%llu seconds=%.3f\n", files, seconds);
    std::fflush(stdout);
}

inline const char* pressName(Press press) {
    switch (press) {
        case Press::Stop:
            return "stop";
        case Press::Exit:
            return "exit";
        case Press::Close:
            return "close";
        case Press::None:
            break;
    }
    return "none";
}

inline void reportPress(Press which, const PressFromOutside& press, Clock::time_point end) {
    const char* const name = pressName(which);
    if (!press.posted()) {
        std::printf("press=%s seen_ms=none (the run ended before the press)\n", name);
    } else {
        std::printf("press=%s seen_ms=%.1f done_ms=%.1f\n", name,
                    1000 * secondsBetween(press.postedAt(), press.seenAt()),
                    1000 * secondsBetween(press.postedAt(), end));
    }
    std::fflush(stdout);
}

}  // namespace tolvane::bench
