// The settings on Windows: the defaults of a first start, and values that land in the
// real registry where any Windows tool finds them, as text in the ANSI code page.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "application_settings.h"
#include "c_registry.h"
#include "fake_settings_window.h"
#include "test_registry.h"

namespace tolvane {
namespace {

using testing::FakeSettingsWindow;
using testing::TestRegistry;

// A value of the settings key as a plain Win32 program reads it.
std::string readWithWin32(const char* name, DWORD* type) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Corvalin\\Palimor", 0, KEY_QUERY_VALUE,
                      &key) != ERROR_SUCCESS) {
        return "(no key)";
    }
    char data[300];
    DWORD size = sizeof data;
    const LSTATUS status =
        RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? std::string(data, size > 0 ? size - 1 : 0) : "(no value)";
}

TEST(Win32SettingsTest, AFirstStartTakesDriveCAndSavesAnsiTextUnderHkeyLocalMachine) {
    TestRegistry registry;
    CRegistry Registry{registry.api()};
    FakeSettingsWindow window;
    openSettingsKey(Registry);
    loadOptionSettings(Registry, window);
    loadLocationSettings(Registry, window);
    Registry.CloseKey();
    EXPECT_EQ(window.SaveFilename, ".\\Tolvane.Txt");
    EXPECT_EQ(window.currentDrive, "C:\\");
    EXPECT_EQ(window.currentPath, "C:\\");

    window.FileComment = "Gr\xC3\xBC\xC3\x9F" "e \xE6\x97\xA5";  // "Grüße" and a CJK character
    window.SaveFilename = "C:\\Listen\\Tolvane.Txt";
    saveSettings(Registry, window);

    DWORD type = 0;
    EXPECT_EQ(readWithWin32("Save Filename", &type), "C:\\Listen\\Tolvane.Txt");
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    if (GetACP() != 1252) {
        GTEST_SKIP() << "the bytes below are those of code page 1252";
    }
    EXPECT_EQ(readWithWin32("File Comment", &type), "Gr\xFC\xDF" "e ?");
    // Read back through CRegistry, the text is what the code page could hold.
    Registry.OpenKey(kSettingsSection, kSettingsKey, false);
    EXPECT_EQ(Registry.ReadValue("File Comment"), "Gr\xC3\xBC\xC3\x9F" "e ?");
}

}  // namespace
}  // namespace tolvane
