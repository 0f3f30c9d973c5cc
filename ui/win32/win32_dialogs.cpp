#include "win32_dialogs.h"

#include <windows.h>
// After windows.h, which it needs.
#include <commdlg.h>

#include <string>
#include <utility>
#include <vector>

#include "common_dialog.h"
#include "resource.h"
#include "win32_text.h"

namespace tolvane {

namespace {

struct InputBoxTexts {
    std::wstring prompt;
    std::wstring title;
    std::wstring text;
};

std::wstring windowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

INT_PTR CALLBACK inputBoxProcedure(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* texts = reinterpret_cast<InputBoxTexts*>(::GetWindowLongPtrW(box, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            texts = reinterpret_cast<InputBoxTexts*>(lParam);
            ::SetWindowLongPtrW(box, DWLP_USER, lParam);
            ::SetWindowTextW(box, texts->title.c_str());
            ::SetDlgItemTextW(box, IDC_INPUT_PROMPT, texts->prompt.c_str());
            ::SetDlgItemTextW(box, IDC_INPUT_TEXT, texts->text.c_str());
            // The proposed text is selected, so typing replaces it.
            ::SendDlgItemMessageW(box, IDC_INPUT_TEXT, EM_SETSEL, 0, -1);
            ::SetFocus(::GetDlgItem(box, IDC_INPUT_TEXT));
            return FALSE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                texts->text = windowText(::GetDlgItem(box, IDC_INPUT_TEXT));
                ::EndDialog(box, IDOK);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                ::EndDialog(box, IDCANCEL);
                return TRUE;
            }
            break;
        default:
            break;
    }
    return FALSE;
}

// What a title bar holds besides the title: the window manager's buttons (often three,
// whatever a box asks for), its icon and margins.
constexpr int kTitleBarRoom = 120;
// On X the window manager draws the title in a face of its own, out of sight from here and
// often wider than the caption font the system reports: the title is given a quarter more.
constexpr int kTitleFaceAllowance = 4;

// The hook that sees the next message box of this thread appear, and the box's title.
thread_local HHOOK boxHook = nullptr;
thread_local const std::wstring* boxTitle = nullptr;

int captionTextWidth(HWND window, const std::wstring& title) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        return 0;
    }
    const HFONT font = ::CreateFontIndirectW(&metrics.lfCaptionFont);
    const HDC dc = ::GetDC(window);
    const HGDIOBJ old = ::SelectObject(dc, font);
    SIZE size{};
    ::GetTextExtentPoint32W(dc, title.c_str(), static_cast<int>(title.size()), &size);
    ::SelectObject(dc, old);
    ::ReleaseDC(window, dc);
    ::DeleteObject(font);
    return size.cx;
}

// Widens `box` to hold its whole title, its contents kept in its middle.
void widenToTitle(HWND box, const std::wstring& title) {
    RECT frame{};
    ::GetWindowRect(box, &frame);
    const int width = frame.right - frame.left;
    const int titleWidth = captionTextWidth(box, title);
    const int grow = titleWidth + titleWidth / kTitleFaceAllowance + kTitleBarRoom - width;
    if (grow <= 0) {
        return;
    }
    for (HWND child = ::GetWindow(box, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        RECT place{};
        ::GetWindowRect(child, &place);
        ::MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&place), 2);
        ::SetWindowPos(child, nullptr, place.left + grow / 2, place.top, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ::SetWindowPos(box, nullptr, frame.left - grow / 2, frame.top, width + grow,
                   frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK watchForBox(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && boxHook != nullptr) {
        const auto box = reinterpret_cast<HWND>(wParam);
        wchar_t windowClass[16] = {};
        ::GetClassNameW(box, windowClass, 16);
        if (std::wstring(windowClass) == L"#32770") {  // the dialog class MessageBox uses
            ::UnhookWindowsHookEx(std::exchange(boxHook, nullptr));
            widenToTitle(box, *boxTitle);
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

std::string windowsLineBreaks(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            out += "\r\n";
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
        } else {
            out += text[i];
        }
    }
    return out;
}

std::wstring windowsFilter(const std::wstring& filter) {
    std::wstring out = filter;
    for (wchar_t& c : out) {
        if (c == L'|') {
            c = L'\0';
        }
    }
    out.push_back(L'\0');
    out.push_back(L'\0');
    return out;
}

void Win32Dialogs::messageBox(const std::string& text, int style, const std::string& title) {
    // A box is as wide as its text and buttons, and under a window manager that draws the
    // title bar (Wine on X) a short text under a long title ("Error in Make_Button_Click")
    // gets the title cut: the box is widened as it first becomes active.
    const std::wstring wideTitle = wideFromUtf8(title);
    boxTitle = &wideTitle;
    boxHook = ::SetWindowsHookExW(WH_CBT, watchForBox, nullptr, ::GetCurrentThreadId());
    // The styles are the system's own numbers: 48 MB_ICONEXCLAMATION, 64 MB_ICONINFORMATION.
    ::MessageBoxW(owner_, wideFromUtf8(windowsLineBreaks(text)).c_str(), wideTitle.c_str(),
                  MB_OK | static_cast<UINT>(style));
    if (boxHook != nullptr) {
        ::UnhookWindowsHookEx(std::exchange(boxHook, nullptr));
    }
    boxTitle = nullptr;
}

std::string Win32Dialogs::inputBox(const std::string& prompt, const std::string& title,
                                   const std::string& defaultText) {
    InputBoxTexts texts{wideFromUtf8(windowsLineBreaks(prompt)), wideFromUtf8(title),
                        wideFromUtf8(defaultText)};
    const INT_PTR answer =
        ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_INPUT_BOX), owner_,
                          inputBoxProcedure, reinterpret_cast<LPARAM>(&texts));
    return answer == IDOK ? utf8FromWide(texts.text) : std::string();
}

std::optional<std::string> Win32Dialogs::showSave(const SaveDialogSettings& settings) {
    std::vector<wchar_t> file(MAX_PATH * 4, L'\0');
    const std::wstring proposed = wideFromUtf8(settings.FileName);
    proposed.copy(file.data(), std::min(proposed.size(), file.size() - 1));
    const std::wstring title = wideFromUtf8(settings.DialogTitle);
    const std::wstring folder = wideFromUtf8(settings.InitDir);
    const std::wstring filter = windowsFilter(wideFromUtf8(settings.Filter));

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner_;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = static_cast<DWORD>(settings.FilterIndex);
    // Any default extension, even none, has the dialog add the chosen entry's extension to
    // a name typed without one: "list" under "Spreadsheet (*.xlsx)" is list.xlsx, which
    // makes a workbook. Under "All files (*.*)" nothing is added.
    dialog.lpstrDefExt = L"";
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrInitialDir = folder.c_str();
    dialog.lpstrTitle = title.c_str();
    // The dialog would otherwise make the folder it ends in the program's current folder,
    // and a relative listing file (".\Tolvane.Txt") would move with it.
    dialog.Flags = static_cast<DWORD>(settings.Flags) | OFN_NOCHANGEDIR;
    if (!::GetSaveFileNameW(&dialog)) {
        return std::nullopt;
    }
    return utf8FromWide(file.data());
}

void Win32Dialogs::beep() {
    ::MessageBeep(MB_OK);
}

bool Win32Dialogs::retryBox(const std::string& text, const std::string& title) {
    return ::MessageBoxW(owner_, wideFromUtf8(windowsLineBreaks(text)).c_str(),
                         wideFromUtf8(title).c_str(),
                         MB_RETRYCANCEL | MB_ICONEXCLAMATION) == IDRETRY;
}

}  // namespace tolvane
