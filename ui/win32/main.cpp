// The program on Windows: Main_Form in its native window. It takes no command line; the
// settings are kept in the system's registry.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <memory>

#include "native_file_system.h"
#include "registry_system.h"
#include "win32_dialogs.h"
#include "win32_main_form.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);

    tolvane::Win32Dialogs dialogs;
    tolvane::NativeFileSystem listFileSystem;
    const std::unique_ptr<tolvane::RegistryApi> registry = tolvane::makeSystemRegistry();
    tolvane::Win32MainForm window(dialogs, tolvane::mountedDrives(), listFileSystem, *registry);
    dialogs.setOwner(window.window());
    window.form().load();
    return window.run();
}
