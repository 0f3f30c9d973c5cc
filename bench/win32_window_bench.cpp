// The Win32 window's run against the engine's (see window_bench.h): the real window and
// its message loop, with the settings in the system's registry, its HKEY_LOCAL_MACHINE
// redirected to a scratch key so that what earlier runs stored never shows a box. Under
// Wine the window needs no display (the null graphics driver).
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <memory>
#include <optional>

#include "native_file_system.h"
#include "program_end.h"
#include "registry_system.h"
#include "resource.h"
#include "scratch_machine_root.h"
#include "win32_dialogs.h"
#include "win32_main_form.h"
#include "window_bench.h"

namespace {

using namespace tolvane;
using namespace tolvane::bench;

// The press's message, as the keyboard, the menu or the close button puts it in the queue.
MSG pressMessage(HWND window, Press press) {
    MSG message{};
    message.hwnd = window;
    switch (press) {
        case Press::Stop:
            message.message = WM_SYSCHAR;  // Alt+S
            message.wParam = 's';
            message.lParam = 1 << 29;
            break;
        case Press::Exit:
            message.message = WM_COMMAND;
            message.wParam = IDM_FUNCTION_EXIT;
            break;
        case Press::Close:
            message.message = WM_SYSCOMMAND;
            message.wParam = SC_CLOSE;
            break;
        case Press::None:
            break;
    }
    return message;
}

// The hook sees every message the window's loops take from the queue, its yields' among
// them, and notes when the press was taken.
PressFromOutside* pressWatched = nullptr;
MSG pressSent{};
LRESULT CALLBACK noteTakenMessages(int code, WPARAM removal, LPARAM message) {
    const auto* taken = reinterpret_cast<const MSG*>(message);
    if (code == HC_ACTION && removal == PM_REMOVE && pressWatched != nullptr &&
        taken->message == pressSent.message && taken->wParam == pressSent.wParam) {
        pressWatched->seen();
        pressWatched = nullptr;
    }
    return ::CallNextHookEx(nullptr, code, removal, message);
}

std::string labelText(Win32MainForm& window) {
    char text[1024] = {};
    ::GetWindowTextA(window.control(Control::Progress_Label), text, sizeof text);
    return text;
}

// What a user watching the status line sees, sampled as the screen would show it.
Win32MainForm* watchedWindow = nullptr;
std::string watchedFolder;
int labelSamples = 0;
int labelsShowingAFolder = 0;
void CALLBACK sampleLabel(HWND, UINT, UINT_PTR, DWORD) {
    if (watchedWindow != nullptr && watchedWindow->form().Running) {
        ++labelSamples;
        labelsShowingAFolder += labelText(*watchedWindow).rfind(watchedFolder, 0) == 0;
    }
}

}  // namespace

int main(int argc, char** argv) {
    WindowBenchOptions options;
    if (!parseWindowBenchOptions(argc, argv, options)) {
        return windowBenchUsage("win32_window_bench");
    }
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);

    std::optional<ScratchMachineRoot> scratchRoot(std::in_place, "Software\\Tolvane Window Bench");
    Win32Dialogs dialogs;
    NativeFileSystem listFileSystem;
    const std::unique_ptr<RegistryApi> registry = makeSystemRegistry();
    Win32MainForm window(dialogs, mountedDrives(), listFileSystem, *registry);
    dialogs.setOwner(window.window());
    window.form().load();
    window.form().setPath(options.folder);
    window.form().SaveFilename = options.output;
    window.form().setYieldPacing(YieldPacing(options.interval));
    window.yield();

    PressFromOutside press;
    // Exit and the close button end the program: the time is taken where it would end.
    window.form().setProgramEnd([&] {
        reportPress(options.press, press, Clock::now());
        scratchRoot.reset();
        endProgramAtOnce(dialogs, 0);
    });
    watchedWindow = &window;
    watchedFolder = options.folder;
    ::SetTimer(nullptr, 0, 50, sampleLabel);

    const HHOOK hook =
        ::SetWindowsHookExW(WH_GETMESSAGE, noteTakenMessages, nullptr, ::GetCurrentThreadId());
    if (options.press != Press::None) {
        const MSG message = pressMessage(window.window(), options.press);
        pressSent = message;
        pressWatched = &press;
        press.start(options.after, [message] {
            ::PostMessageW(message.hwnd, message.message, message.wParam, message.lParam);
        });
    }

    // Alt+M to the control that has the focus, then the program's own loop until the run
    // has come and gone.
    const Clock::time_point start = Clock::now();
    ::PostMessageW(::GetFocus(), WM_SYSCHAR, 'm', 1 << 29);
    MSG message{};
    std::string shown;
    while (shown.rfind("Directory contenst", 0) != 0 && shown != "Aborted" &&
           ::GetMessageW(&message, nullptr, 0, 0) > 0) {
        window.handle(message);
        shown = labelText(window);
    }
    const Clock::time_point end = Clock::now();
    ::UnhookWindowsHookEx(hook);
    scratchRoot.reset();
    if (options.press == Press::None) {
        reportRun(listedFiles(options.output), secondsBetween(start, end), labelSamples,
                  labelsShowingAFolder);
        return shown.rfind("Directory contenst", 0) == 0 ? 0 : 1;
    }
    reportPress(options.press, press, end);
    return 0;
}
