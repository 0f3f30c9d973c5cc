// The Win32 window with real controls, under Wine's null graphics driver: its size and
// icon, access keys, tab order, Enter and Space in the lists, Stop by its access key during
// a run, the reasons for a close, and the Win32 dialogs answered. (Main_Form's behaviour
// itself is proved in tests/form.)
#include <windows.h>

#include <filesystem>

#include "form_fixture.h"
#include "win32_dialogs.h"
#include "win32_main_form.h"
#include "win32_text.h"

namespace tolvane::test {
namespace {

// The Win32 window over the form fixture's tree and store, opened on its tree.
class Win32WindowTest : public FormTest {
  protected:
    void SetUp() override {
        FormTest::SetUp();
        storeSettings({{"Last Drive", kSystemDrive}, {"Last Path", tree}});
        window = makeWindow();
    }

    std::unique_ptr<Win32MainForm> makeWindow(Dialogs* shown = nullptr) {
        auto made = std::make_unique<Win32MainForm>(shown != nullptr ? *shown : dialogs, drives,
                                                    listFileSystem, store);
        made->form().setProgramEnd([this] { ++programEnds; });
        made->form().load();
        return made;
    }

    HWND control(Control which) const { return window->control(which); }

    // Input as the user's keyboard gives it to the control that has the focus, handled
    // by the window's own message loop.
    void post(UINT message, WPARAM wParam, LPARAM lParam = 0) {
        ::PostMessageW(::GetFocus(), message, wParam, lParam);
        window->yield();
    }
    void key(WPARAM virtualKey) {
        post(WM_KEYDOWN, virtualKey);
        post(WM_KEYUP, virtualKey, 0xC0000001);
    }
    void altKey(char letter) { post(WM_SYSCHAR, static_cast<WPARAM>(letter), 1 << 29); }

    std::string text(HWND handle) const {
        char buffer[512] = {};
        ::GetWindowTextA(handle, buffer, sizeof buffer);
        return buffer;
    }

    std::unique_ptr<Win32MainForm> window;
};

TEST_F(Win32WindowTest, DesignedFixedSizeIconAccessKeysAndTabOrder) {
    RECT client{};
    ::GetClientRect(window->window(), &client);
    EXPECT_EQ(client.right - client.left, 467);
    EXPECT_EQ(client.bottom - client.top, 267);
    const LONG style = ::GetWindowLongW(window->window(), GWL_STYLE);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX), 0);
    EXPECT_NE(::GetClassLongPtrW(window->window(), GCLP_HICON), 0u);
    // The first control in tab order has the focus; Tab goes round all seven.
    EXPECT_EQ(::GetFocus(), control(Control::Result_Drive));
    std::vector<HWND> order;
    for (int i = 0; i < 7; ++i) {
        key(VK_TAB);
        order.push_back(::GetFocus());
    }
    EXPECT_EQ(order,
              (std::vector<HWND>{control(Control::Result_Dir), control(Control::Result_File),
                                 control(Control::Comment_Check), control(Control::Recurse_Check),
                                 control(Control::Filter_Check), control(Control::Make_Button),
                                 control(Control::Result_Drive)}));
    EXPECT_EQ(window->form().FocusedList, "Result_Drive");
    // Alt+D, the frame's access key, hands the focus to the drive list; Alt+R unticks.
    key(VK_TAB);
    altKey('d');
    EXPECT_EQ(::GetFocus(), control(Control::Result_Drive));
    altKey('r');
    EXPECT_FALSE(window->form().RecurseSubdirectories);
    EXPECT_EQ(
        ::IsDlgButtonChecked(window->window(), ::GetDlgCtrlID(control(Control::Recurse_Check))),
        BST_UNCHECKED);
}

TEST_F(Win32WindowTest, EnterAndSpaceInTheListsOnACheckBoxAndOnTheButton) {
    ::SetFocus(control(Control::Result_Dir));
    key(VK_DOWN);  // from the folder shown to its first subfolder
    key(VK_RETURN);
    EXPECT_EQ(window->form().Result_Dir.Path(), in("tree/sub1"));
    wchar_t firstFile[64] = {};
    ::SendMessageW(control(Control::Result_File), LB_GETTEXT, 0,
                   reinterpret_cast<LPARAM>(firstFile));
    EXPECT_EQ(std::wstring(firstFile), L"one.txt");
    // Space opens the folder and is kept from the list, whose type-ahead would move the
    // highlight to a row beginning with a blank.
    key(VK_UP);
    post(WM_CHAR, ' ');
    EXPECT_EQ(window->form().Result_Dir.Path(), tree);
    EXPECT_EQ(::SendMessageW(control(Control::Result_Dir), LB_GETCURSEL, 0, 0),
              window->form().Result_Dir.ListIndex());
    // Letters typed there find a folder by its name, past the indentation, and only
    // highlight it.
    for (const char letter : std::string("sub2")) {
        post(WM_CHAR, static_cast<WPARAM>(letter));
    }
    EXPECT_EQ(::SendMessageW(control(Control::Result_Dir), LB_GETCURSEL, 0, 0),
              rowOf(window->form(), in("tree/sub2")));
    EXPECT_EQ(window->form().Result_Dir.Path(), tree);
    // Space on a box ticks it, and the form hears of it.
    ::SetFocus(control(Control::Filter_Check));
    key(VK_SPACE);
    EXPECT_TRUE(window->form().UseFileFilter);
    // Enter on the focused button presses it, as Space does.
    window->form().SaveFilename = in("listing.txt");
    ::SetFocus(control(Control::Make_Button));
    key(VK_RETURN);
    EXPECT_TRUE(text(control(Control::Progress_Label)).ends_with("\\listing.txt"))
        << text(control(Control::Progress_Label));  // the run's closing text, its path elided
    EXPECT_EQ(dialogs.prompts(), 0u);
}

// Alt+S is the Stop button's and the Setup menu's; the menu is disabled while a run is
// under way, so the key must stop the run.
TEST_F(Win32WindowTest, TheStopButtonsAccessKeyStopsARun) {
    window->form().SaveFilename = in("listing.txt");
    ::SetFocus(control(Control::Make_Button));
    ::PostMessageW(control(Control::Make_Button), WM_SYSCHAR, 's', 1 << 29);
    ::SendMessageW(control(Control::Make_Button), BM_CLICK, 0, 0);
    EXPECT_EQ(text(control(Control::Progress_Label)), "Aborted");
    EXPECT_EQ(text(control(Control::Make_Button)), "&Make List");
    const UINT setup = ::GetMenuState(::GetMenu(window->window()), 1, MF_BYPOSITION);
    EXPECT_EQ(setup & MF_GRAYED, 0u);
    // Measured in the label's own font, a long path loses its middle, not its end.
    const std::string name = "\\inventory of the photos.txt";
    window->setCaption(Control::Progress_Label, "Stored in: C:\\" + std::string(300, 'd') + name);
    const std::string shown = text(control(Control::Progress_Label));
    EXPECT_TRUE(shown.starts_with("Stored in: C:\\ddd") && shown.ends_with("d..." + name)) << shown;
}

TEST_F(Win32WindowTest, OnlyTheUsersCloseStoresTheSettings) {
    ::SendMessageW(window->window(), WM_ENDSESSION, TRUE, 0);
    EXPECT_FALSE(::IsWindow(window->window()));
    window = makeWindow();
    ::SendMessageW(window->window(), WM_CLOSE, 0, 0);  // another program's, not the user's
    EXPECT_EQ(programEnds, 0);
    EXPECT_EQ(settings().NumOfValues(), 2);
    window = makeWindow();
    ::SendMessageW(window->window(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(programEnds, 1);
    EXPECT_EQ(settings().NumOfValues(), 9);
}

// The dialogs are answered by a timer that runs inside their own modal loops: the text
// typed goes into the input box's edit field, or the save dialog's file name field (an edit
// box in Wine's dialog, a combo box in the Explorer-style one of Windows), then OK, or
// Cancel for "cancel". The box's width is noted.
std::string typedAnswer;
int answeredWidth = 0;
void CALLBACK answerActiveDialog(HWND, UINT, UINT_PTR timer, DWORD) {
    ::KillTimer(nullptr, timer);
    HWND box = ::GetActiveWindow();
    RECT frame{};
    ::GetWindowRect(box, &frame);
    answeredWidth = frame.right - frame.left;
    for (const int field : {202, 0x480, 0x47C}) {
        ::SetDlgItemTextW(box, field, wideFromUtf8(typedAnswer).c_str());
    }
    ::PostMessageW(box, WM_COMMAND, typedAnswer == "cancel" ? IDCANCEL : IDOK, 0);
}
void answerNextDialog(const std::string& typed) {
    typedAnswer = typed;
    ::SetTimer(nullptr, 0, 50, answerActiveDialog);
}

// The prompts answered, the focus back where it was when a message box closes, and the
// texts in the system's form.
TEST_F(Win32WindowTest, PromptsAnsweredAndTheFocusBackAfterAMessageBox) {
    ::SetFocus(control(Control::Filter_Check));
    Win32Dialogs shown;
    shown.setOwner(window->window());
    answerNextDialog("*.txt");
    EXPECT_EQ(shown.inputBox("Enter filter:", "File filter", "old"), "*.txt");
    answerNextDialog("cancel");
    EXPECT_EQ(shown.inputBox("Enter filter:", "File filter", "old"), "");
    ::SetFocus(control(Control::Filter_Check));
    answerNextDialog("");
    shown.messageBox("one\rtwo", Dialogs::kInformation, "About Tolvane");  // returns once answered
    EXPECT_EQ(::GetFocus(), control(Control::Filter_Check));
    const int shortTitled = answeredWidth;
    // A long title widens the box, so that a window manager does not cut it.
    answerNextDialog("");
    shown.messageBox("one\rtwo", Dialogs::kExclamation, "Error in Make_Button_Click");
    EXPECT_GT(answeredWidth, shortTitled);

    EXPECT_EQ(windowsLineBreaks("one\rtwo\r\nthree\nfour"), "one\r\ntwo\r\nthree\r\nfour");
    static constexpr wchar_t kFilter[] = L"TXT file (*.txt)\0*.txt\0All (*.*)\0*.*\0";
    EXPECT_EQ(windowsFilter(L"TXT file (*.txt)|*.txt|All (*.*)|*.*"),
              std::wstring(kFilter, sizeof kFilter / sizeof kFilter[0]));
}

TEST_F(Win32WindowTest, TheFramesCaptionIsBoldAndTheFolderListScrollsToItsWidestName) {
    // The caption is drawn in the frame's font, and that font as realized is bold.
    HWND frame = control(Control::Result_Frame);
    const HDC dc = ::GetDC(frame);
    ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(frame, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    ::ReleaseDC(frame, dc);
    EXPECT_GE(metrics.tmWeight, FW_BOLD);

    HWND list = control(Control::Result_Dir);
    RECT client{};
    ::GetClientRect(list, &client);
    temp.folder("tree/" + std::string(80, 'w'));
    window->form().Result_Dir.setPath(tree);
    const LRESULT wide = ::SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0);
    EXPECT_GT(wide, client.right * 2);
    window->form().Result_Dir.setPath(in("tree/sub1"));  // the long name is no row of it
    EXPECT_LT(::SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0), wide / 2);
}

// What the user gives comes back exactly, whatever the ANSI code page holds: a listing name
// and a comment in Cyrillic and Japanese through the system's own dialogs, the registry and
// a new start of the window, and the listing made under that name.
TEST_F(Win32WindowTest, ANameAndACommentOutsideTheCodePageSurviveTheRegistryAndARestart) {
    const std::string name =
        in("\xD1\x81\xD0\xBF\xD0\xB8\xD1\x81\xD0\xBE\xD0\xBA "
           "\xE6\x97\xA5\xE6\x9C\xAC.txt");  // список 日本.txt
    const std::string comment = "\xD0\x9A\xD0\xBE\xD0\xBC \xE6\xB3\xA8\xE9\x87\x88";  // Ком 注釈
    Win32Dialogs shown;
    window.reset();
    window = makeWindow(&shown);
    shown.setOwner(window->window());
    answerNextDialog(name);
    window->form().click(Control::Setup_Name);
    answerNextDialog(comment);
    window->form().click(Control::Setup_Comment);
    const std::wstring title = L"Make directory contents file - (" + wideFromUtf8(name) + L")";
    wchar_t shownTitle[512] = {};
    ::GetWindowTextW(window->window(), shownTitle, 512);
    EXPECT_EQ(shownTitle, title);
    ::SendMessageW(window->window(), WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_EQ(programEnds, 1);

    // The registry holds them whole.
    HKEY key = nullptr;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Corvalin\\Palimor", 0,
                              KEY_QUERY_VALUE, &key),
              ERROR_SUCCESS);
    wchar_t stored[512] = {};
    DWORD size = sizeof stored;
    EXPECT_EQ(::RegQueryValueExW(key, L"File Comment", nullptr, nullptr,
                                 reinterpret_cast<BYTE*>(stored), &size),
              ERROR_SUCCESS);
    ::RegCloseKey(key);
    EXPECT_EQ(stored, wideFromUtf8(comment));

    window = makeWindow();
    EXPECT_EQ(window->form().SaveFilename, name);
    EXPECT_EQ(window->form().FileComment, comment);
    EXPECT_TRUE(window->form().AddComment);
    ::GetWindowTextW(window->window(), shownTitle, 512);
    EXPECT_EQ(shownTitle, title);
    window->form().click(Control::Make_Button);
    EXPECT_GT(std::filesystem::file_size(std::filesystem::path(wideFromUtf8(name))), 0u);
    EXPECT_EQ(dialogs.prompts(), 0u);
}

}  // namespace
}  // namespace tolvane::test
