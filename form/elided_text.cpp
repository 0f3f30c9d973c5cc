#include "elided_text.h"

#include <algorithm>
#include <vector>

#include "path_separator.h"

namespace tolvane {

namespace {

constexpr char kEllipsis[] = "...";

// The largest n of 0 .. count - 1 for which accepted(n) holds, given that it holds for
// every smaller n once it holds for one; -1 when it holds for none.
int largestAccepted(int count, const std::function<bool(int)>& accepted) {
    int low = -1;
    int high = count;  // accepted(high) is taken as false
    while (high - low > 1) {
        const int middle = low + (high - low) / 2;
        (accepted(middle) ? low : high) = middle;
    }
    return low;
}

}  // namespace

std::string elidedInMiddle(const std::string& text,
                           const std::function<bool(const std::string&)>& fits) {
    if (fits(text)) {
        return text;
    }
    // Where each character begins, and the end.
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            starts.push_back(i);
        }
    }
    starts.push_back(text.size());
    const int characters = static_cast<int>(starts.size()) - 1;

    const std::size_t separator = text.rfind(kPathSeparator);
    const std::string end = separator == std::string::npos ? std::string() : text.substr(separator);
    // As many characters of the start as fit before "..." and the whole end.
    const int head = largestAccepted(characters, [&](int n) {
        return fits(text.substr(0, starts[static_cast<std::size_t>(n)]) + kEllipsis + end);
    });
    if (head >= 0 && !end.empty()) {
        return text.substr(0, starts[static_cast<std::size_t>(head)]) + kEllipsis + end;
    }
    // The end alone is too wide: as many of the last characters as fit after "...".
    const int kept = largestAccepted(characters, [&](int n) {
        return fits(kEllipsis + text.substr(starts[static_cast<std::size_t>(characters - n)]));
    });
    return kEllipsis +
           text.substr(starts[static_cast<std::size_t>(characters - std::max(kept, 0))]);
}

}  // namespace tolvane
