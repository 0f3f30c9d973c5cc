#include "win32_text.h"

#include <windows.h>

#include <algorithm>
#include <climits>

namespace tolvane {

namespace {

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The converters take an int count; longer texts go through in pieces that never split a
// character (a UTF-8 lead byte or a UTF-16 high surrogate stays with what follows it).
constexpr std::size_t kPiece = INT_MAX / 4;

std::wstring wideFrom(UINT codePage, std::string_view text) {
    std::wstring out;
    while (!text.empty()) {
        std::size_t size = std::min(text.size(), kPiece);
        if (codePage == CP_UTF8) {
            while (size < text.size() && size > 0 &&
                   (static_cast<unsigned char>(text[size]) & 0xC0) == 0x80) {
                --size;
            }
        } else if (size < text.size() &&
                   IsDBCSLeadByteEx(codePage, static_cast<BYTE>(text[size - 1]))) {
            --size;
        }
        const int count = static_cast<int>(size);
        const int needed = MultiByteToWideChar(codePage, 0, text.data(), count, nullptr, 0);
        const std::size_t start = out.size();
        out.resize(start + static_cast<std::size_t>(needed));
        MultiByteToWideChar(codePage, 0, text.data(), count, out.data() + start, needed);
        text.remove_prefix(size);
    }
    return out;
}

void appendNarrowFrom(UINT codePage, std::wstring_view text, std::string& out) {
    while (!text.empty()) {
        std::size_t size = std::min(text.size(), kPiece);
        if (size < text.size() && text[size - 1] >= 0xD800 && text[size - 1] <= 0xDBFF) {
            --size;
        }
        const int count = static_cast<int>(size);
        // A code page's best fit would write "Omega.dat" for "\u03A9mega.dat": a plausible
        // name that is not the file's. Without it a character the code page lacks is "?".
        // (UTF-8 holds every character and takes no flags.)
        const DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
        const int needed =
            WideCharToMultiByte(codePage, flags, text.data(), count, nullptr, 0, nullptr, nullptr);
        const std::size_t start = out.size();
        out.resize(start + static_cast<std::size_t>(needed));
        WideCharToMultiByte(codePage, flags, text.data(), count, out.data() + start, needed,
                            nullptr, nullptr);
        text.remove_prefix(size);
    }
}

}  // namespace

std::wstring wideFromUtf8(std::string_view text) {
    return wideFrom(CP_UTF8, text);
}

std::string utf8FromWide(std::wstring_view text) {
    std::string out;
    appendNarrowFrom(CP_UTF8, text, out);
    return out;
}

std::string ansiFromUtf8(std::string_view text) {
    std::string out;
    appendAnsiFromUtf8(text, out);
    return out;
}

void appendAnsiFromUtf8(std::string_view text, std::string& out) {
    if (isAscii(text)) {
        out.append(text);
        return;
    }
    appendNarrowFrom(CP_ACP, wideFromUtf8(text), out);
}

std::string utf8FromAnsi(std::string_view text) {
    if (isAscii(text)) {
        return std::string(text);
    }
    return utf8FromWide(wideFrom(CP_ACP, text));
}

}  // namespace tolvane
