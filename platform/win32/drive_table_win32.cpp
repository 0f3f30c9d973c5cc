// The drive letters of Windows, for the drive list.
#include <windows.h>

#include "drive_table.h"
#include "win32_text.h"

namespace tolvane {

namespace {

// The volume's label, or nothing when the drive has none or cannot say (a drive without
// its medium): asking never waits for a medium, since drive errors are muted first.
std::string labelOf(const std::wstring& root) {
    const UINT previous = ::SetErrorMode(SEM_FAILCRITICALERRORS);
    wchar_t label[MAX_PATH + 1] = {};
    const BOOL known = ::GetVolumeInformationW(root.c_str(), label, MAX_PATH + 1, nullptr, nullptr,
                                               nullptr, nullptr, 0);
    ::SetErrorMode(previous);
    return known ? utf8FromWide(label) : std::string();
}

}  // namespace

std::vector<DriveEntry> mountedDrives() {
    std::vector<DriveEntry> drives;
    const DWORD letters = ::GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        if ((letters & (1u << i)) == 0) {
            continue;
        }
        const char letter = static_cast<char>('A' + i);
        const std::string root = std::string(1, letter) + ":\\";
        // The list's own text form: the letter in lower case, its colon, then the label.
        std::string text = std::string(1, static_cast<char>('a' + i)) + ":";
        const std::string label = labelOf(wideFromUtf8(root));
        if (!label.empty()) {
            text += " [" + label + "]";
        }
        drives.push_back({root, text});
    }
    return drives;
}

}  // namespace tolvane
