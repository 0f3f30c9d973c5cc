#include "win32_main_form.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "elided_text.h"
#include "form_layout.h"
#include "resource.h"
#include "win32_text.h"

namespace tolvane {

namespace {

constexpr wchar_t kWindowClass[] = L"TolvaneMainForm";

// The window's border: a fixed single line with the window menu's close button only.
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;

struct ControlClass {
    Control control;
    int id;
    const wchar_t* windowClass;
    DWORD style;
};

// In tab order: the dialog manager walks the controls in the order they were made.
const ControlClass kControls[] = {
    {Control::Result_Frame, IDC_RESULT_FRAME, L"BUTTON", BS_GROUPBOX | WS_GROUP},
    {Control::Result_Drive, IDC_RESULT_DRIVE, L"COMBOBOX",
     CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_GROUP},
    // The folder list scrolls sideways to its longest name, as the Qt window's does.
    {Control::Result_Dir, IDC_RESULT_DIR, L"LISTBOX",
     LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_HSCROLL | WS_BORDER | WS_TABSTOP |
         WS_GROUP},
    {Control::Result_File, IDC_RESULT_FILE, L"LISTBOX",
     LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER | WS_TABSTOP | WS_GROUP},
    // A file name may hold an "&": the status line shows it as it is.
    {Control::Progress_Label, IDC_PROGRESS_LABEL, L"STATIC",
     SS_LEFTNOWORDWRAP | SS_NOPREFIX | WS_GROUP},
    {Control::Comment_Check, IDC_COMMENT_CHECK, L"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP},
    {Control::Recurse_Check, IDC_RECURSE_CHECK, L"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP},
    {Control::Filter_Check, IDC_FILTER_CHECK, L"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP},
    {Control::Make_Button, IDC_MAKE_BUTTON, L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP},
};

const std::pair<int, Control> kMenuCommands[] = {
    {IDM_FUNCTION_MAKE, Control::Function_Make}, {IDM_FUNCTION_ABOUT, Control::Function_About},
    {IDM_FUNCTION_EXIT, Control::Function_Exit}, {IDM_SETUP_NAME, Control::Setup_Name},
    {IDM_SETUP_COMMENT, Control::Setup_Comment}, {IDM_SETUP_FILTER, Control::Setup_Filter},
};

// The drop-down of the drive list, below its selection field, in pixels.
constexpr int kDropDownHeight = 160;

// The dialog font (MS Sans Serif, or its TrueType successor where the system maps it so)
// at 8.25 and 9.75 points, as 96 dots per inch make them.
HFONT makeFont(int pixels, bool bold) {
    return ::CreateFontW(-pixels, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                         DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                         DEFAULT_PITCH | FF_SWISS, L"MS Sans Serif");
}

void registerWindowClass() {
    static bool registered = false;
    if (registered) {
        return;
    }
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = ::DefDlgProcW;  // replaced per window (see the constructor)
    // Room for the dialog manager's own data: DefDlgProc keeps the focus there.
    windowClass.cbWndExtra = DLGWINDOWEXTRA;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.hIcon = ::LoadIconW(windowClass.hInstance, MAKEINTRESOURCEW(IDI_TOLVANE));
    windowClass.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kWindowClass;
    ::RegisterClassExW(&windowClass);
    registered = true;
}

// A list box scrolls sideways only as far as it is told: the width of its widest row in
// its own font, with the room a row's text is drawn with on either side.
int widestRow(HWND list, const std::vector<ListRow>& rows) {
    constexpr int kRowMargins = 6;
    const HDC dc = ::GetDC(list);
    const HGDIOBJ oldFont =
        ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(list, WM_GETFONT, 0, 0)));
    int widest = 0;
    for (const ListRow& row : rows) {
        const std::wstring text = wideFromUtf8(row.text);
        SIZE size{};
        ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        widest = std::max(widest, static_cast<int>(size.cx));
    }
    ::SelectObject(dc, oldFont);
    ::ReleaseDC(list, dc);
    return widest + kRowMargins;
}

bool isPushButton(HWND window) {
    return (::SendMessageW(window, WM_GETDLGCODE, 0, 0) &
            (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
}

bool isList(Control control) {
    return control == Control::Result_Drive || control == Control::Result_Dir ||
           control == Control::Result_File;
}

}  // namespace

Win32MainForm::Win32MainForm(Dialogs& dialogs, std::vector<DriveEntry> drives,
                             FileSystem& listFileSystem, RegistryApi& registryStore) {
    registerWindowClass();
    RECT frame{0, 0, twipsToPixels(kClientWidth), twipsToPixels(kClientHeight)};
    ::AdjustWindowRectEx(&frame, kWindowStyle, TRUE, 0);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    menu_ = ::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAIN_MENU));
    window_ =
        ::CreateWindowExW(WS_EX_CONTROLPARENT, kWindowClass, wideFromUtf8(kDesignedCaption).c_str(),
                          kWindowStyle, work.left + (work.right - work.left - width) / 2,
                          work.top + (work.bottom - work.top - height) / 2, width, height, nullptr,
                          menu_, ::GetModuleHandleW(nullptr), nullptr);
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&windowProcedure));
    createControls();
    createToolTips();
    form_ = std::make_unique<Main_Form>(
        Main_Form::Services{*this, dialogs, std::move(drives), listFileSystem, registryStore});
}

Win32MainForm::~Win32MainForm() {
    if (::IsWindow(window_)) {
        ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        ::DestroyWindow(window_);
    }
    if (::IsWindow(toolTip_)) {
        ::DestroyWindow(toolTip_);
    }
    for (HFONT font : fonts_) {
        ::DeleteObject(font);
    }
}

void Win32MainForm::createControls() {
    fonts_ = {makeFont(11, false), makeFont(11, true), makeFont(13, true)};
    const ControlLayout& frame = layoutOf(Control::Result_Frame);
    for (const ControlClass& made : kControls) {
        const ControlLayout& layout = layoutOf(made.control);
        PixelRect place = pixelRect(layout);
        if (layout.inFrame) {
            // The lists are placed within the frame; as the frame is no container here,
            // they are laid over it.
            place.x += twipsToPixels(frame.left);
            place.y += twipsToPixels(frame.top);
        }
        if (made.control == Control::Result_Drive) {
            place.height += kDropDownHeight;
        }
        HWND control = ::CreateWindowExW(0, made.windowClass, wideFromUtf8(layout.caption).c_str(),
                                         made.style | WS_CHILD | WS_VISIBLE, place.x, place.y,
                                         place.width, place.height, window_,
                                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(made.id)),
                                         ::GetModuleHandleW(nullptr), nullptr);
        const HFONT font = layout.font == LayoutFont::FrameBold    ? fonts_[1]
                           : layout.font == LayoutFont::ButtonBold ? fonts_[2]
                                                                   : fonts_[0];
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        controls_[made.control] = control;
    }
}

void Win32MainForm::createToolTips() {
    // A tool tip that never takes the activation: shown, it must not steal the focus.
    toolTip_ = ::CreateWindowExW(
        WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, TOOLTIPS_CLASSW, nullptr,
        WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX | TTS_NOANIMATE | TTS_NOFADE, CW_USEDEFAULT,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr, ::GetModuleHandleW(nullptr),
        nullptr);
    for (const ControlLayout& layout : kControlLayout) {
        setToolTip(layout.control, layout.toolTip);
    }
}

HWND Win32MainForm::control(Control control) const {
    const auto found = controls_.find(control);
    return found == controls_.end() ? nullptr : found->second;
}

int Win32MainForm::run() {
    quitWhenGone_ = true;
    MSG message{};
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        handle(message);
    }
    return static_cast<int>(message.wParam);
}

void Win32MainForm::handle(MSG& message) {
    if (previewKey(message)) {
        return;
    }
    if (!::IsDialogMessageW(window_, &message)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

bool Win32MainForm::previewKey(const MSG& message) {
    const bool enter = message.message == WM_KEYDOWN && message.wParam == VK_RETURN;
    if ((!enter && message.message != WM_CHAR) ||
        (message.hwnd != window_ && !::IsChild(window_, message.hwnd))) {
        return false;
    }
    if (enter) {
        // Enter in the open drop-down chooses a drive there. Anywhere else Form_KeyPress
        // sees it first, and then the focused control gets it as Windows gives it: a
        // focused push button is pressed, the lists and boxes do nothing with it. (The
        // dialog manager is kept out: it would press a default button instead.)
        if (::SendMessageW(control(Control::Result_Drive), CB_GETDROPPEDSTATE, 0, 0) != 0) {
            return false;
        }
        std::int16_t code = 13;
        form_->keyPreview(code);
        if (isPushButton(message.hwnd) && ::IsWindowEnabled(message.hwnd)) {
            ::SendMessageW(window_, WM_COMMAND,
                           MAKEWPARAM(::GetDlgCtrlID(message.hwnd), BN_CLICKED),
                           reinterpret_cast<LPARAM>(message.hwnd));
        }
        return true;
    }
    std::int16_t code = static_cast<std::int16_t>(message.wParam);
    form_->keyPreview(code);
    // The list's own search looks for rows that begin with what was typed, and the folder
    // list's rows begin with their indentation: Main_Form searches by the folders' names.
    if (message.hwnd == control(Control::Result_Dir) && message.wParam > L' ' &&
        message.wParam != 0x7F) {
        form_->listTyped(Control::Result_Dir,
                         utf8FromWide(std::wstring(1, static_cast<wchar_t>(message.wParam))),
                         message.time);
        return true;
    }
    // A list would take the blank for a search of a row that begins with one, and every
    // folder row below the root does: the highlight would jump away.
    for (const auto& [which, handle] : controls_) {
        if (handle == message.hwnd && isList(which) && code == 32) {
            return true;
        }
    }
    return false;
}

LRESULT CALLBACK Win32MainForm::windowProcedure(HWND window, UINT message, WPARAM wParam,
                                                LPARAM lParam) {
    auto* self = reinterpret_cast<Win32MainForm*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr || self->form_ == nullptr) {
        return ::DefDlgProcW(window, message, wParam, lParam);
    }
    return self->onMessage(message, wParam, lParam);
}

LRESULT Win32MainForm::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            onCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_SYSCOMMAND:
            // The close button, the window menu's Close and Alt+F4 all come this way.
            closeBySystemMenu_ = (wParam & 0xFFF0) == SC_CLOSE;
            break;
        case WM_CLOSE: {
            // Any other WM_CLOSE comes from another program, the task manager among them.
            const std::int16_t reason = std::exchange(closeBySystemMenu_, false)
                                            ? Main_Form::kCloseByUser
                                            : Main_Form::kCloseByTaskManager;
            if (form_->closeRequested(reason)) {
                ::DestroyWindow(window_);
            }
            return 0;
        }
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            if (wParam != 0 && form_->closeRequested(Main_Form::kCloseBySessionEnd)) {
                ::DestroyWindow(window_);
            }
            return 0;
        case WM_DESTROY:
            if (quitWhenGone_) {
                ::PostQuitMessage(0);
            }
            return 0;
        default:
            break;
    }
    return ::DefDlgProcW(window_, message, wParam, lParam);
}

void Win32MainForm::onCommand(int id, int code) {
    for (const auto& [command, item] : kMenuCommands) {
        if (id == command) {
            form_->click(item);
            return;
        }
    }
    switch (id) {
        case IDC_MAKE_BUTTON:
            if (code == BN_CLICKED) {
                form_->click(Control::Make_Button);
            }
            break;
        case IDC_COMMENT_CHECK:
        case IDC_RECURSE_CHECK:
        case IDC_FILTER_CHECK:
            if (code == BN_CLICKED) {
                const Control box = id == IDC_COMMENT_CHECK   ? Control::Comment_Check
                                    : id == IDC_RECURSE_CHECK ? Control::Recurse_Check
                                                              : Control::Filter_Check;
                form_->checkToggled(box, ::IsDlgButtonChecked(window_, id) == BST_CHECKED);
            }
            break;
        case IDC_RESULT_DRIVE:
            if (code == CBN_SELCHANGE) {
                const auto row = static_cast<int>(
                    ::SendMessageW(control(Control::Result_Drive), CB_GETCURSEL, 0, 0));
                form_->listPicked(Control::Result_Drive, row, true);
            } else if (code == CBN_SETFOCUS) {
                form_->focusReceived(Control::Result_Drive);
            }
            break;
        case IDC_RESULT_DIR:
            if (code == LBN_SELCHANGE || code == LBN_DBLCLK) {
                const auto row = static_cast<int>(
                    ::SendMessageW(control(Control::Result_Dir), LB_GETCURSEL, 0, 0));
                form_->listPicked(Control::Result_Dir, row, code == LBN_DBLCLK);
            } else if (code == LBN_SETFOCUS) {
                form_->focusReceived(Control::Result_Dir);
            }
            break;
        case IDC_RESULT_FILE:
            if (code == LBN_SETFOCUS) {
                form_->focusReceived(Control::Result_File);
            }
            break;
        default:
            break;
    }
}

void Win32MainForm::setTitle(const std::string& title) {
    ::SetWindowTextW(window_, wideFromUtf8(title).c_str());
}

void Win32MainForm::setCaption(Control which, const std::string& caption) {
    const std::string shown = which == Control::Progress_Label ? fittedToLabel(caption) : caption;
    ::SetWindowTextW(control(which), wideFromUtf8(shown).c_str());
}

std::string Win32MainForm::fittedToLabel(const std::string& text) const {
    const HWND label = control(Control::Progress_Label);
    RECT area{};
    ::GetClientRect(label, &area);
    const HDC dc = ::GetDC(label);
    const HGDIOBJ old =
        ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(label, WM_GETFONT, 0, 0)));
    const std::string fitted = elidedInMiddle(text, [&](const std::string& candidate) {
        const std::wstring wide = wideFromUtf8(candidate);
        SIZE size{};
        ::GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
        return size.cx <= area.right;
    });
    ::SelectObject(dc, old);
    ::ReleaseDC(label, dc);
    return fitted;
}

void Win32MainForm::setEnabled(Control which, bool enabled) {
    const UINT state = enabled ? MF_ENABLED : MF_GRAYED;
    if (which == Control::Function_Make) {
        ::EnableMenuItem(menu_, IDM_FUNCTION_MAKE, MF_BYCOMMAND | state);
        return;
    }
    if (which == Control::Setup_Menu) {
        // The menu's title in the bar: a disabled menu cannot be opened.
        ::EnableMenuItem(menu_, 1, MF_BYPOSITION | state);
        ::DrawMenuBar(window_);
        return;
    }
    HWND handle = control(which);
    if (!enabled && ::GetFocus() == handle) {
        // A disabled control that kept the focus would leave the keyboard with nowhere to go.
        ::SendMessageW(window_, WM_NEXTDLGCTL, 0, FALSE);
    }
    ::EnableWindow(handle, enabled ? TRUE : FALSE);
}

void Win32MainForm::setCheck(Control box, bool ticked) {
    // BM_SETCHECK raises no click: Main_Form runs the click handler itself.
    ::SendMessageW(control(box), BM_SETCHECK, ticked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void Win32MainForm::setToolTip(Control which, const std::string& tip) {
    HWND handle = control(which);
    if (toolTip_ == nullptr || handle == nullptr) {
        return;
    }
    std::wstring text = wideFromUtf8(tip);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(handle);
    tool.lpszText = text.data();
    ::SendMessageW(toolTip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    if (!text.empty()) {
        ::SendMessageW(toolTip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void Win32MainForm::setRows(Control list, const std::vector<ListRow>& rows) {
    HWND handle = control(list);
    const bool combo = list == Control::Result_Drive;
    ::SendMessageW(handle, WM_SETREDRAW, FALSE, 0);
    ::SendMessageW(handle, combo ? CB_RESETCONTENT : LB_RESETCONTENT, 0, 0);
    for (const ListRow& row : rows) {
        const std::wstring text = wideFromUtf8(row.text);
        ::SendMessageW(handle, combo ? CB_ADDSTRING : LB_ADDSTRING, 0,
                       reinterpret_cast<LPARAM>(text.c_str()));
    }
    if (list == Control::Result_Dir) {
        ::SendMessageW(handle, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widestRow(handle, rows)),
                       0);
    }
    ::SendMessageW(handle, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(handle, nullptr, TRUE);
}

void Win32MainForm::setHighlight(Control list, int row) {
    ::SendMessageW(control(list), list == Control::Result_Drive ? CB_SETCURSEL : LB_SETCURSEL,
                   static_cast<WPARAM>(row), 0);
}

void Win32MainForm::show() {
    ::ShowWindow(window_, SW_SHOW);
    ::SetForegroundWindow(window_);
    ::UpdateWindow(window_);
    if (!std::exchange(shownOnce_, true)) {
        // The first control in tab order takes the focus, as in any dialog.
        ::SendMessageW(window_, WM_NEXTDLGCTL,
                       reinterpret_cast<WPARAM>(control(Control::Result_Drive)), TRUE);
    }
}

void Win32MainForm::setBusy(bool busy) {
    // The wait happens inside a handler, with no message handled meanwhile: the cursor is
    // set at once, not by WM_SETCURSOR.
    if (busy) {
        idleCursor_ = ::SetCursor(::LoadCursorW(nullptr, MAKEINTRESOURCEW(32514)));  // IDC_WAIT
    } else {
        ::SetCursor(idleCursor_);
    }
}

void Win32MainForm::yield() {
    MSG message{};
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // The program's own loop ends on it.
            ::PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        handle(message);
    }
}

}  // namespace tolvane
