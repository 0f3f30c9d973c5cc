#pragma once

#include <windows.h>

namespace tolvane {

// Every Win32 call that reading folders makes, behind one table that tests replace (as
// posixCalls() on POSIX systems), so that a folder that cannot be read or a search that
// fails half way can be had without the rights that would take. Called from several
// threads at once; a test changes the table only while no walk runs, and puts it back.
struct Win32Calls {
    HANDLE(WINAPI* findFirstFileEx)
    (LPCWSTR name, FINDEX_INFO_LEVELS level, LPVOID data, FINDEX_SEARCH_OPS search, LPVOID filter,
     DWORD flags);
    BOOL(WINAPI* findNextFile)(HANDLE find, LPWIN32_FIND_DATAW data);
    BOOL(WINAPI* findClose)(HANDLE find);
};

// The table in force.
Win32Calls& win32Calls();

// The system's own calls, to put back or to forward to.
const Win32Calls& systemWin32Calls();

}  // namespace tolvane
