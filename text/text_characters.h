#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "ascii_text.h"

namespace tolvane {

// Text is UTF-8 inside the program. A character is one valid UTF-8 sequence (no overlong
// form, no surrogate, nothing beyond U+10FFFF); every other byte is a character of its own,
// so that names which are not UTF-8 still count, compare and cut the same way everywhere.

// Length in bytes of the character that begins `text`; 0 for an empty text.
inline std::size_t characterLength(std::string_view text);

// characterLength's part for a text that begins with a byte of 0x80 or above.
std::size_t nonAsciiCharacterLength(std::string_view text);

inline std::size_t characterLength(std::string_view text) {
    if (text.empty()) {
        return 0;
    }
    return static_cast<unsigned char>(text[0]) < 0x80 ? 1 : nonAsciiCharacterLength(text);
}

// A character's upper-case form as one number: the code point, or kLoneByte plus the byte
// for a byte that is not UTF-8, so the two kinds never meet.
inline constexpr char32_t kLoneByte = 0x110000;

struct UpperCharacter {
    char32_t code = 0;
    std::size_t length = 0;  // bytes the character takes in the text
};

// The upper-case form of the character that begins `text` (not empty). This is the one
// case rule of the program: the Extension column shows it and the file filter's letters
// match by it. ASCII letters follow the ASCII rule, whatever the locale; other letters
// follow towupper under the user's LC_CTYPE, taken only when the upper-case form is as
// long in UTF-8 as the letter, so that upper-casing never moves the rest of a text.
inline UpperCharacter upperCharacter(std::string_view text);

// upperCharacter's part for a text that begins with a byte of 0x80 or above.
UpperCharacter upperNonAsciiCharacter(std::string_view text);

inline UpperCharacter upperCharacter(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    if (lead >= 0x80) {
        return upperNonAsciiCharacter(text);
    }
    return UpperCharacter{static_cast<unsigned char>(asciiUpper(static_cast<char>(lead))), 1};
}

// Appends `text` upper-cased by that rule to `out`; bytes that are not UTF-8 stay as they are.
void appendUpperCase(std::string_view text, std::string& out);

}  // namespace tolvane
