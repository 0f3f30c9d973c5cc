// The Win32 store against the registry's own 8-bit functions, which the earlier build of the
// program used: a text the ANSI code page holds is stored and read the same either way.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "c_registry.h"
#include "test_registry.h"

namespace tolvane {
namespace {

TEST(Win32RegistryTest, ATextTheCodePageHoldsReadsTheSameInEitherBuild) {
    if (::GetACP() != 1252) {
        GTEST_SKIP() << "the bytes below are those of code page 1252";
    }
    testing::TestRegistry store;
    CRegistry Registry{store};
    Registry.OpenKey(registry_root::kLocalMachine, "Software\\Corvalin\\Palimor", true);
    HKEY key = nullptr;  // the test's stand-in for the machine's root, as the store sees it
    ASSERT_EQ(::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Corvalin\\Palimor", 0,
                              KEY_QUERY_VALUE | KEY_SET_VALUE, &key),
              ERROR_SUCCESS);

    // As the 8-bit build wrote it: the ANSI bytes, counted without their terminator.
    const char written[] = "Z:\\Caf\xE9 \xC4pfel.txt";
    ASSERT_EQ(::RegSetValueExA(key, "Save Filename", 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(written), sizeof written - 1),
              ERROR_SUCCESS);
    EXPECT_EQ(Registry.ReadValue("Save Filename"), "Z:\\Caf\xC3\xA9 \xC3\x84pfel.txt");

    // As the 8-bit build reads what this one writes: the same bytes and size; a character
    // beyond the code page is "?" there, and whole here.
    Registry.WriteValue("Comment", "Caf\xC3\xA9 \xD0\x96");  // Café Ж
    char raw[32] = {};
    DWORD size = sizeof raw;
    DWORD type = 0;
    ASSERT_EQ(
        ::RegQueryValueExA(key, "Comment", nullptr, &type, reinterpret_cast<BYTE*>(raw), &size),
        ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::string(raw, size), std::string("Caf\xE9 ?\0", 7));
    EXPECT_EQ(Registry.ReadValue("Comment"), "Caf\xC3\xA9 \xD0\x96");
    ::RegCloseKey(key);
}

}  // namespace
}  // namespace tolvane
