#include "listing_line.h"

#include <charconv>
#include <cstdint>
#include <cstring>

#include "date_time_text.h"
#include "file_attributes.h"
#include "text_characters.h"

namespace tolvane {

namespace {

// True when a character of `text` is below 0x20: eight at a time, a field's usual case
// being none at all.
bool hasControlCharacter(std::string_view text) {
    constexpr std::uint64_t kOnes = 0x0101010101010101u;
    constexpr std::uint64_t kHighs = 0x8080808080808080u;
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        // A byte below 0x20 borrows into its high bit, which a byte of 0x80 or more has
        // set already.
        if (((word - kOnes * 0x20) & ~word & kHighs) != 0) {
            return true;
        }
    }
    for (; i < text.size(); ++i) {
        if (static_cast<unsigned char>(text[i]) < 0x20) {
            return true;
        }
    }
    return false;
}

// Appends a field, each character below 0x20 written as "?".
void appendField(std::string& out, std::string_view field) {
    if (!hasControlCharacter(field)) {
        out.append(field);
        return;
    }
    std::size_t start = 0;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (static_cast<unsigned char>(field[i]) < 0x20) {
            out.append(field.substr(start, i - start));
            out.push_back('?');
            start = i + 1;
        }
    }
    out.append(field.substr(start));
}

}  // namespace

std::string extensionOf(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    const std::string_view extension = dot == std::string_view::npos ? name : name.substr(dot + 1);
    std::string upper;
    upper.reserve(extension.size());
    appendUpperCase(extension, upper);
    return upper;
}

std::string attributeLetters(std::uint32_t attributes) {
    std::string letters;
    if ((attributes & file_attribute::kArchive) != 0) {
        letters.push_back('A');
    }
    if ((attributes & file_attribute::kHidden) != 0) {
        letters.push_back('H');
    }
    if ((attributes & file_attribute::kReadOnly) != 0) {
        letters.push_back('R');
    }
    if ((attributes & file_attribute::kSystem) != 0) {
        letters.push_back('S');
    }
    return letters;
}

void formatListingLine(const ListingLine& line, const DateTimeText& dateText, std::string& out) {
    out.clear();
    appendField(out, line.name);
    out.push_back('\t');
    appendField(out, extensionOf(line.name));
    out.push_back('\t');
    char digits[24];
    const auto converted = std::to_chars(digits, digits + sizeof digits, line.size);
    out.append(digits, converted.ptr);
    out.push_back('\t');
    dateText.appendTo(out, line.modified);
    out.push_back('\t');
    appendField(out, line.folder);
    out.push_back('\t');
    out.append(attributeLetters(line.attributes));
    out.push_back('\t');
    appendField(out, line.comment);
}

}  // namespace tolvane
