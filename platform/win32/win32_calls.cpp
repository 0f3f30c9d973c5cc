#include "win32_calls.h"

namespace tolvane {

const Win32Calls& systemWin32Calls() {
    static const Win32Calls calls{&FindFirstFileExW, &FindNextFileW, &FindClose};
    return calls;
}

Win32Calls& win32Calls() {
    static Win32Calls calls = systemWin32Calls();
    return calls;
}

}  // namespace tolvane
