#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "date_time.h"

namespace tolvane {

class DateTimeText;

// The first line of every listing.
inline constexpr std::string_view kListingHeader =
    "Filename\tExtension\tSize\tDate/Time\tDirectory\tAttribute\tComment";

// The "Extension" field: what follows the last "." of the name, upper-cased by the case
// rule that file filters match by (upperCharacter); the whole name when it has no ".".
std::string extensionOf(std::string_view name);

// The "Attribute" field: A, H, R, S for archive, hidden, read-only and system, in that
// order; other bits are ignored.
std::string attributeLetters(std::uint32_t attributes);

// The values of one file line.
struct ListingLine {
    std::string_view name;
    std::int64_t size = 0;
    DateTime modified;
    std::string_view folder;
    std::uint32_t attributes = 0;
    std::string_view comment;
};

// Forms one file line into `out` (replacing its contents), without the line end. Every
// field is written as it was formed, except that characters below 0x20 (a TAB, CR or LF
// in a file name, say) become "?", so that a line always has exactly seven fields.
void formatListingLine(const ListingLine& line, const DateTimeText& dateText, std::string& out);

}  // namespace tolvane
