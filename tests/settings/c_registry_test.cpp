#include "c_registry.h"

#ifdef _WIN32
#include <windows.h>
#else
#include "registry_file_time.h"
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "application_settings.h"
#include "test_registry.h"

namespace tolvane {
namespace {

using testing::expectError;
using testing::TestRegistry;
using Texts = std::vector<std::string>;

constexpr RegistryHandle kRoot = registry_root::kLocalMachine;
const std::string kKey = "Software\\Tolvane Tests\\Wrapper";

// A date-time's fields, earliest first, so that they compare as the times do.
std::tuple<int, int, int, int, int, int> fields(const DateTime& t) {
    return {t.year, t.month, t.day, t.hour, t.minute, t.second};
}

// Now, local, on the clock the store stamps with (std::time's coarse one may lag a second).
DateTime localNow(RegistryApi& store) {
#ifdef _WIN32
    FILETIME system{};
    ::GetSystemTimeAsFileTime(&system);
    const FileTime now{system.dwLowDateTime, system.dwHighDateTime};
#else
    const FileTime now = fileTimeNow();
#endif
    FileTime local;
    SystemTime f;
    EXPECT_TRUE(store.FileTimeToLocalFileTime(&now, &local) &&
                store.FileTimeToSystemTime(&local, &f));
    return {f.wYear, f.wMonth, f.wDay, f.wHour, f.wMinute, f.wSecond};
}

class CRegistryTest : public ::testing::Test {
  protected:
    void expectOpenFails(const std::string& path, const std::string& named) {
        expectError([&] { Registry.OpenKey(kRoot, path, false); }, "CRegistry:OpenKey",
                    "Failed to open key " + named + ".");
    }

    // Creates `path` with a class text through the port itself; CRegistry never passes one.
    void createWithClass(const std::string& path, const std::string& keyClass) {
        RegistryHandle handle = 0;
        ASSERT_EQ(store.RegCreateKeyExA(kRoot, path.c_str(), 0, keyClass.c_str(), 0, 0x20003,
                                        nullptr, &handle, nullptr),
                  0);
        store.RegCloseKey(handle);
    }

    TestRegistry store;
    CRegistry Registry{store};
};

TEST_F(CRegistryTest, PathsAreNormalisedAndKeysCreatedOnlyWhenAskedAndDeletedWithoutSubKeys) {
    expectOpenFails("Software/Tolvane Tests/Wrapper", kKey);
    Registry.OpenKey(kRoot, kKey, true);
    Registry.WriteValue("Mark", "here");
    for (const std::string& path : {"\\" + kKey, std::string("Software/Tolvane Tests/Wrapper")}) {
        Registry.OpenKey(kRoot, path, false);
        EXPECT_EQ(Registry.CurrentKey(), kKey) << path;
        EXPECT_EQ(Registry.ReadValue("Mark"), "here") << path;
    }
    // Only one leading "\" is dropped, and before the slashes turn into "\".
    expectOpenFails("\\\\" + kKey, "\\" + kKey);
    expectOpenFails("/Software/Tolvane Tests/Wrapper", "\\" + kKey);
    Registry.OpenKey(kRoot, "Software\\Tolvane Tests", false);  // made on the way
    EXPECT_EQ(Registry.NumOfSubKeys(), 1);
    expectError([&] { Registry.DeleteKey(); }, "CRegistry:DeleteKey",
                "Failed to delete key Software\\Tolvane Tests.");
    Registry.OpenKey(kRoot, "software/tolvane tests/wrapper", false);
    Registry.DeleteKey();  // by the path of the last open
    EXPECT_EQ(Registry.CurrentKey(), "");
    expectOpenFails(kKey, kKey);
}

TEST_F(CRegistryTest, AHeldKeyIsClosedFirstAndOnlyOnceAndValuesThenNeedANewOpen) {
    CRegistry(store).OpenKey(kRoot, kKey, true);  // closed by the destructor
    Registry.OpenKey(kRoot, kKey, false);
    expectOpenFails("Software\\Nowhere", "Software\\Nowhere");
    Registry.CloseKey();  // nothing is left to close
    EXPECT_EQ(store.calls,
              (Texts{"Open " + kKey, "Close", "Open " + kKey, "Close", "Open Software\\Nowhere"}));
    EXPECT_EQ(Registry.CurrentKey(), "");
    const std::string text = "No key is currently open.";
    expectError([&] { Registry.ReadValue("A"); }, "CRegistry:ReadValue", text);
    expectError([&] { Registry.ValueExists("A"); }, "CRegistry:ReadValue", text);
    expectError([&] { Registry.WriteValue("A", "x"); }, "CRegistry:WriteValue", text);
    expectError([&] { Registry.DeleteValue("A"); }, "CRegistry:DeleteValue", text);
    // With no key open the request is for the empty path, which no store deletes.
    expectError([&] { Registry.DeleteKey(); }, "CRegistry:DeleteKey", "Failed to delete key .");
}

TEST_F(CRegistryTest, ValuesAreTextOfAnyLengthFoundCaseBlindAndEmptyIsOneSpace) {
    Registry.OpenKey(kRoot, kKey, true);
    EXPECT_FALSE(Registry.ValueExists("Add Comment"));
    expectError([&] { Registry.ReadValue("Add Comment"); }, "CRegistry:ReadValue",
                "Failed to read value Add Comment from Registry.");
    Registry.WriteValue("Add Comment", "True");
    Registry.WriteValue("ADD COMMENT", "False");
    EXPECT_EQ(Registry.ReadValue("add comment"), "False");
    Registry.DeleteValue("Add Comment");
    EXPECT_FALSE(Registry.ValueExists("Add Comment"));
    expectError([&] { Registry.DeleteValue("Add Comment"); }, "CRegistry:DeleteValue",
                "Failed to delete value Add Comment from Registry.");

    Registry.WriteValue("Empty", "");
    EXPECT_EQ(Registry.ReadValue("Empty"), " ");
    // What is stored is read back, however long: the first read's buffer holds 254 bytes.
    for (const std::size_t length : {254, 255, 5000}) {
        const std::string text(length, 'b');
        Registry.WriteValue("Long", text);
        EXPECT_TRUE(Registry.ValueExists("Long")) << length;
        EXPECT_EQ(Registry.ReadValue("Long"), text) << length;
    }

    // Names and texts come back exactly whatever the 8-bit code page holds, stored as
    // REG_SZ; a value of size zero exists but is an invalid argument, not a text.
    const Texts texts = {"Gr\xC3\xBC\xC3\x9F", "\xD1\x81\xD0\xBF\xD0\xB8\xD1\x81\xD0\xBE\xD0\xBA",
                         "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"};  // Grüß, список, 日本語
    for (const std::string& text : texts) {
        Registry.WriteValue(text, "Z:\\" + text + ".txt");
        EXPECT_EQ(Registry.ReadValue(text), "Z:\\" + text + ".txt");
    }
    RegistryHandle handle = 0;
    ASSERT_EQ(store.RegOpenKeyExA(kRoot, kKey.c_str(), 0, 0x20003, &handle), 0);
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    ASSERT_EQ(store.RegQueryValueExA(handle, texts[2].c_str(), nullptr, &type, nullptr, &size), 0);
    EXPECT_EQ(type, registry_type::kText);
    EXPECT_EQ(size, 3 + texts[2].size() + 4 + 1);  // the UTF-8 bytes and the terminator
    ASSERT_EQ(store.RegSetValueExA(handle, "Nothing", 0, registry_type::kBinary, nullptr, 0), 0);
    store.RegCloseKey(handle);
    EXPECT_TRUE(Registry.ValueExists("Nothing"));
    expectError([&] { Registry.ReadValue("Nothing"); }, "CRegistry:ReadValue",
                "Invalid procedure call or argument", 5);
}

#ifdef _WIN32
// Against the registry's own 8-bit functions, which the earlier build of the program used:
// a text the ANSI code page holds is stored and read the same either way.
TEST_F(CRegistryTest, ATextTheCodePageHoldsReadsTheSameAsInThe8BitBuild) {
    if (::GetACP() != 1252) {
        GTEST_SKIP() << "the bytes below are those of code page 1252";
    }
    Registry.OpenKey(kRoot, kKey, true);
    HKEY key = nullptr;  // the test's stand-in for the machine's root, as the store sees it
    ASSERT_EQ(
        ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey.c_str(), 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key),
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
    ::RegCloseKey(key);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::string(raw, size), std::string("Caf\xE9 ?\0", 7));
    EXPECT_EQ(Registry.ReadValue("Comment"), "Caf\xC3\xA9 \xD0\x96");
}
#endif

// Key information is refused with no key open or for a class of 255 characters; otherwise
// it follows the writes and sub-keys, and the key is stamped with the local time.
TEST_F(CRegistryTest, KeyInformationFollowsWritesAndSubKeysAndIsRefusedWhenItCannotBeRead) {
    const auto expectRefused = [this] {
        const std::string refused = "Failed to retrieve key information.";
        expectError([&] { Registry.KeyClass(); }, "CRegistry:RefreshKeyInfo", refused);
        for (const auto count : {&CRegistry::NumOfSubKeys, &CRegistry::MaxSubkeyNameLength,
                                 &CRegistry::MaxClassNameLength, &CRegistry::NumOfValues,
                                 &CRegistry::MaxValueNameLength, &CRegistry::MaxValueLength,
                                 &CRegistry::SecurityDescriptor}) {
            expectError([&] { (Registry.*count)(); }, "CRegistry:RefreshKeyInfo", refused);
        }
    };
    expectRefused();
    EXPECT_EQ(Registry.LastWriteTime(), (DateTime{1899, 12, 30, 0, 0, 0}));  // and no error

    const auto before = localNow(store);
    Registry.OpenKey(kRoot, kKey, true);
    Registry.WriteValue("Seven77", "abc");
    EXPECT_EQ(Registry.NumOfValues(), 1);
    Registry.WriteValue("Four", "");
    createWithClass(kKey + "\\Subkey", "Klass");
    RegistryHandle handle = 0;
    std::uint32_t descriptor = 0;  // the security descriptor's size, as the store has it
    store.RegOpenKeyExA(kRoot, kKey.c_str(), 0, 0x20003, &handle);
    store.RegQueryInfoKeyA(handle, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                           nullptr, nullptr, &descriptor, nullptr);
    store.RegCloseKey(handle);
    // Numbers that all differ, so no property can return another's unseen. The longest
    // value is "abc" and its terminator in UTF-16.
    const std::vector<int> expected{2, 7, 8, 1, 6, 5, static_cast<int>(descriptor)};
    ASSERT_EQ(std::count(expected.begin(), expected.end(), expected.back()), 1);
    EXPECT_EQ((std::vector<int>{Registry.NumOfValues(), Registry.MaxValueNameLength(),
                                Registry.MaxValueLength(), Registry.NumOfSubKeys(),
                                Registry.MaxSubkeyNameLength(), Registry.MaxClassNameLength(),
                                Registry.SecurityDescriptor()}),
              expected);
    const DateTime written = Registry.LastWriteTime();
    EXPECT_LE(fields(before), fields(written));
    EXPECT_LE(fields(written), fields(localNow(store)));

    createWithClass(kKey + "\\Longest", std::string(254, 'c'));
    createWithClass(kKey + "\\TooLong", std::string(255, 'c'));
    Registry.OpenKey(kRoot, kKey + "\\Longest", false);
    EXPECT_EQ(Registry.KeyClass(), std::string(254, 'c'));
    Registry.OpenKey(kRoot, kKey + "\\TooLong", false);
    expectRefused();
    // The time falls back to the stamp of the last key that could be described.
    EXPECT_NE(Registry.LastWriteTime(), DateTime{});
}

// The rules of a stored text. (Reading and writing the nine settings is proved through
// the window in tests/form.)
TEST(StoredTextTest, OnlyTrueSwitchesOnAndTheFiltersTipKeepsUpToItsFirstColon) {
    for (const std::string text : {"TRUE", "True", " true ", "tRuE"}) {
        EXPECT_TRUE(switchValue(text)) << '"' << text << '"';
    }
    for (const std::string text : {"T", "yes", "-1", "1", "", " ", "False", "TRUE.", "\ttrue"}) {
        EXPECT_FALSE(switchValue(text)) << '"' << text << '"';
    }
    // The filter's tip keeps up to the character after the first colon.
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"a:b:c", "a:bp"},
        {"Ends in:", "Ends in:p"},
        {"No colon", "Np"},
        {"", "p"},
        {"Suche:\xC3\xA4x", "Suche:\xC3\xA4p"},  // a whole character
        {"a:\xC3x", "a:\xC3p"},                  // a byte that begins none is one
    };
    for (const auto& [toolTip, expected] : cases) {
        EXPECT_EQ(filterToolTipFor(toolTip, "p"), expected) << toolTip;
    }
}

}  // namespace
}  // namespace tolvane
