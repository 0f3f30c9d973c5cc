#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace tolvane {

// The one-line progress display on a terminal: files listed, folders entered, files per
// second and the folder being entered, drawn over itself with a carriage return.
class ProgressDisplay {
  public:
    using Clock = std::chrono::steady_clock;
    // At most ten drawings a second: more would cost the walk time and show nothing new.
    static constexpr Clock::duration kInterval = std::chrono::milliseconds(100);

    ProgressDisplay(std::FILE* terminal, int columns, Clock::time_point start);

    // Draws the line anew when kInterval has passed since it was last drawn (the first
    // time, since the start, so a short run never shows it).
    void update(std::uint64_t files, std::uint64_t folders, const std::string& folder,
                Clock::time_point now);

    // Takes the line away, so that a message or the closing text starts on a clean line.
    void clear();

  private:
    void draw(const std::string& line);

    std::FILE* terminal_;
    int columns_;
    Clock::time_point start_;
    Clock::time_point lastDrawn_;
    std::size_t shownColumns_ = 0;
};

// The display's text, "12 files, 3 folders, 450 files/s: /folder/being/entered", kept
// below `columns` characters by leaving out the start of the folder ("..." stands for
// it). Control characters in the folder show as "?".
std::string progressLine(std::uint64_t files, std::uint64_t folders, double filesPerSecond,
                         const std::string& folder, int columns);

}  // namespace tolvane
