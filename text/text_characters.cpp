#include "text_characters.h"

#include <cwchar>
#include <cwctype>

namespace tolvane {

namespace {

struct Decoded {
    char32_t code = 0;
    std::size_t length = 0;  // 0: the first byte begins no valid sequence
};

Decoded decode(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    if (lead < 0x80) {
        return Decoded{lead, 1};
    }
    const std::size_t length = lead < 0xC2   ? 0
                               : lead < 0xE0 ? 2
                               : lead < 0xF0 ? 3
                               : lead < 0xF5 ? 4
                                             : 0;
    if (length == 0 || length > text.size()) {
        return Decoded{};
    }
    char32_t code = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0) != 0x80) {
            return Decoded{};
        }
        code = (code << 6) | (next & 0x3F);
    }
    // A two-byte lead below 0xC2 was refused above; longer overlong forms, surrogates and
    // values beyond U+10FFFF are refused here.
    const bool valid = length == 2 ||
                       (length == 3 && code >= 0x800 && (code < 0xD800 || code > 0xDFFF)) ||
                       (length == 4 && code >= 0x10000 && code <= 0x10FFFF);
    return valid ? Decoded{code, length} : Decoded{};
}

std::size_t encodedLength(char32_t code) {
    return code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
}

}  // namespace

std::size_t nonAsciiCharacterLength(std::string_view text) {
    const std::size_t length = decode(text).length;
    return length == 0 ? 1 : length;
}

UpperCharacter upperNonAsciiCharacter(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    const Decoded character = decode(text);
    if (character.length == 0) {
        return UpperCharacter{kLoneByte + lead, 1};
    }
    // wint_t is 16 bits wide on Windows: a code point it cannot hold keeps its case.
    if (character.code > static_cast<char32_t>(WCHAR_MAX)) {
        return UpperCharacter{character.code, character.length};
    }
    const auto upper =
        static_cast<char32_t>(std::towupper(static_cast<std::wint_t>(character.code)));
    if (upper > 0x10FFFF || encodedLength(upper) != character.length) {
        return UpperCharacter{character.code, character.length};
    }
    return UpperCharacter{upper, character.length};
}

void appendUpperCase(std::string_view text, std::string& out) {
    for (std::size_t i = 0; i < text.size();) {
        const UpperCharacter upper = upperCharacter(text.substr(i));
        const char32_t code = upper.code;
        if (code >= kLoneByte) {
            out.push_back(static_cast<char>(code - kLoneByte));
        } else if (upper.length == 1) {
            out.push_back(static_cast<char>(code));
        } else {
            static constexpr unsigned char kLeadMarks[] = {0, 0, 0xC0, 0xE0, 0xF0};
            out.push_back(
                static_cast<char>(kLeadMarks[upper.length] | (code >> (6 * (upper.length - 1)))));
            for (std::size_t k = upper.length - 1; k > 0; --k) {
                out.push_back(static_cast<char>(0x80 | ((code >> (6 * (k - 1))) & 0x3F)));
            }
        }
        i += upper.length;
    }
}

}  // namespace tolvane
