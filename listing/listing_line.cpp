#include "listing_line.h"

#include <charconv>
#include <cwctype>

#include "ascii_text.h"
#include "date_time_text.h"
#include "file_attributes.h"

namespace tolvane {

namespace {

// Upper-cases one UTF-8 sequence into `out`; returns the bytes it took. Bytes that are
// not valid UTF-8 are copied as they stand.
std::size_t appendUpperCharacter(std::string_view text, std::string& out) {
    const auto lead = static_cast<unsigned char>(text[0]);
    if (lead < 0x80) {
        out.push_back(asciiUpper(static_cast<char>(lead)));
        return 1;
    }
    const std::size_t length = lead < 0xC2   ? 0
                               : lead < 0xE0 ? 2
                               : lead < 0xF0 ? 3
                               : lead < 0xF5 ? 4
                                             : 0;
    if (length == 0 || length > text.size()) {
        out.push_back(static_cast<char>(lead));
        return 1;
    }
    char32_t code = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0) != 0x80) {
            out.push_back(static_cast<char>(lead));
            return 1;
        }
        code = (code << 6) | (next & 0x3F);
    }
    const auto upper = static_cast<char32_t>(std::towupper(static_cast<std::wint_t>(code)));
    // Only a mapping that keeps the sequence's length is taken, so the text stays valid.
    const std::size_t upperLength = upper < 0x80 ? 1 : upper < 0x800 ? 2 : upper < 0x10000 ? 3 : 4;
    if (upper == code || upperLength != length) {
        out.append(text.substr(0, length));
        return length;
    }
    static constexpr unsigned char kLeadMarks[] = {0, 0, 0xC0, 0xE0, 0xF0};
    out.push_back(static_cast<char>(kLeadMarks[length] | (upper >> (6 * (length - 1)))));
    for (std::size_t i = length - 1; i > 0; --i) {
        out.push_back(static_cast<char>(0x80 | ((upper >> (6 * (i - 1))) & 0x3F)));
    }
    return length;
}

// Appends a field, each character below 0x20 written as "?".
void appendField(std::string& out, std::string_view field) {
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
    for (std::size_t i = 0; i < extension.size();) {
        i += appendUpperCharacter(extension.substr(i), upper);
    }
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
