#include "progress_display.h"

#include <cmath>

namespace tolvane {

namespace {

bool continuesCharacter(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Characters a terminal shows, counting each UTF-8 sequence as one.
std::size_t columnsOf(const std::string& text) {
    std::size_t columns = 0;
    for (char c : text) {
        columns += continuesCharacter(c) ? 0 : 1;
    }
    return columns;
}

// The last `columns` characters of `text`.
std::string tailOf(const std::string& text, std::size_t columns) {
    std::size_t start = text.size();
    std::size_t taken = 0;
    while (start > 0 && taken < columns) {
        --start;
        if (!continuesCharacter(text[start])) {
            ++taken;
        }
    }
    while (start < text.size() && continuesCharacter(text[start])) {
        ++start;
    }
    return text.substr(start);
}

}  // namespace

std::string progressLine(std::uint64_t files, std::uint64_t folders, double filesPerSecond,
                         const std::string& folder, int columns) {
    const std::string counts = std::to_string(files) + " files, " + std::to_string(folders) +
                               " folders, " + std::to_string(std::llround(filesPerSecond)) +
                               " files/s";
    // The last column stays free: a line that fills it wraps on some terminals.
    const std::size_t limit = columns > 1 ? static_cast<std::size_t>(columns - 1) : 0;
    std::string shown = folder;
    for (char& c : shown) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            c = '?';
        }
    }
    const std::string head = counts + ": ";
    if (shown.empty() || head.size() + 3 >= limit) {
        return counts.substr(0, limit);  // the counts are ASCII: one byte a column
    }
    if (head.size() + columnsOf(shown) <= limit) {
        return head + shown;
    }
    return head + "..." + tailOf(shown, limit - head.size() - 3);
}

ProgressDisplay::ProgressDisplay(std::FILE* terminal, int columns, Clock::time_point start)
    : terminal_(terminal), columns_(columns), start_(start), lastDrawn_(start) {}

void ProgressDisplay::update(std::uint64_t files, std::uint64_t folders, const std::string& folder,
                             Clock::time_point now) {
    if (now - lastDrawn_ < kInterval) {
        return;
    }
    lastDrawn_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    draw(progressLine(files, folders, seconds > 0 ? static_cast<double>(files) / seconds : 0.0,
                      folder, columns_));
}

void ProgressDisplay::clear() {
    if (shownColumns_ > 0) {
        std::fputs(("\r" + std::string(shownColumns_, ' ') + "\r").c_str(), terminal_);
        std::fflush(terminal_);
        shownColumns_ = 0;
    }
}

void ProgressDisplay::draw(const std::string& line) {
    // Spaces cover what is left of a longer line drawn before; no terminal codes needed.
    const std::size_t columns = columnsOf(line);
    std::string text = "\r" + line;
    if (columns < shownColumns_) {
        text.append(shownColumns_ - columns, ' ');
    }
    std::fputs(text.c_str(), terminal_);
    std::fflush(terminal_);
    shownColumns_ = columns;
}

}  // namespace tolvane
