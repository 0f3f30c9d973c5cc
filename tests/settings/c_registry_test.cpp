#include "c_registry.h"

#include <gtest/gtest.h>

#include <ctime>
#include <functional>
#include <string>
#include <tuple>

#include "raised_error.h"
#include "recording_registry.h"
#include "test_registry.h"

namespace tolvane {
namespace {

using testing::RecordingRegistry;
using testing::TestRegistry;

constexpr RegistryHandle kRoot = registry_root::kLocalMachine;
const std::string kKey = "Software\\Tolvane Tests\\Wrapper";

// Runs `call` and checks that it raised the wrapper's error with this source and text.
void expectError(const std::function<void()>& call, const std::string& source,
                 const std::string& description) {
    try {
        call();
        ADD_FAILURE() << "no error; expected " << source << ": " << description;
    } catch (const RaisedError& error) {
        EXPECT_EQ(error.number(), -2147221502);
        EXPECT_EQ(error.source(), source);
        EXPECT_EQ(error.description(), description);
    }
}

void expectOpenFails(CRegistry& Registry, const std::string& path, const std::string& named) {
    expectError([&] { Registry.OpenKey(kRoot, path, false); }, "CRegistry:OpenKey",
                "Failed to open key " + named + ".");
}

// Every key information property but the time is refused while the key cannot be described.
void expectKeyInformationRefused(CRegistry& Registry) {
    for (const std::function<void()>& read : std::vector<std::function<void()>>{
             [&] { Registry.KeyClass(); }, [&] { Registry.NumOfSubKeys(); },
             [&] { Registry.MaxSubkeyNameLength(); }, [&] { Registry.MaxClassNameLength(); },
             [&] { Registry.NumOfValues(); }, [&] { Registry.MaxValueNameLength(); },
             [&] { Registry.MaxValueLength(); }, [&] { Registry.SecurityDescriptor(); }}) {
        expectError(read, "CRegistry:RefreshKeyInfo", "Failed to retrieve key information.");
    }
}

std::tuple<int, int, int, int, int, int> fields(const DateTime& t) {
    return {t.year, t.month, t.day, t.hour, t.minute, t.second};
}

std::tuple<int, int, int, int, int, int> localNow() {
    const std::time_t now = std::time(nullptr);
    const std::tm local = *std::localtime(&now);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
            local.tm_hour,        local.tm_min,     local.tm_sec};
}

class CRegistryTest : public ::testing::Test {
  protected:
    // Creates `path` with a class text through the port itself; CRegistry never passes one.
    void createWithClass(const std::string& path, const std::string& keyClass) {
        RegistryHandle handle = 0;
        ASSERT_EQ(store.api().RegCreateKeyExA(kRoot, path.c_str(), 0, keyClass.c_str(), 0, 0x20003,
                                              nullptr, &handle, nullptr),
                  0);
        store.api().RegCloseKey(handle);
    }

    TestRegistry store;
    RecordingRegistry recorder{store.api()};
    CRegistry Registry{recorder};
};

TEST_F(CRegistryTest, OpenKeyNormalisesThePathAndCreatesOnlyWhenAllowed) {
    expectOpenFails(Registry, "Software/Tolvane Tests/Wrapper", kKey);
    expectOpenFails(Registry, "Software\\Tolvane Tests", "Software\\Tolvane Tests");
    Registry.OpenKey(kRoot, kKey, true);
    Registry.WriteValue("Mark", "here");
    for (const std::string& path : {"\\" + kKey, std::string("Software/Tolvane Tests/Wrapper")}) {
        Registry.OpenKey(kRoot, path, false);
        EXPECT_EQ(Registry.CurrentKey(), kKey) << path;
        EXPECT_EQ(Registry.ReadValue("Mark"), "here") << path;
    }
    // Only one leading "\" is dropped, and before the slashes turn into "\".
    expectOpenFails(Registry, "\\\\" + kKey, "\\" + kKey);
    expectOpenFails(Registry, "/Software/Tolvane Tests/Wrapper", "\\" + kKey);
    EXPECT_EQ(recorder.calls.back(), "Open \\" + kKey);
    Registry.OpenKey(kRoot, "Software\\Tolvane Tests", false);  // made on the way
    EXPECT_EQ(Registry.NumOfSubKeys(), 1);
}

TEST_F(CRegistryTest, AHeldKeyIsClosedFirstAndOnceAndValuesThenNeedANewOpen) {
    {
        CRegistry local(recorder);
        local.OpenKey(kRoot, kKey, true);
        EXPECT_EQ(recorder.openHandles, 1);
    }
    EXPECT_EQ(recorder.openHandles, 0);  // closed by the destructor

    Registry.OpenKey(kRoot, kKey, false);
    expectOpenFails(Registry, "Software\\Nowhere", "Software\\Nowhere");
    EXPECT_EQ(recorder.openHandles, 0);  // closed before the open that failed
    EXPECT_EQ(Registry.CurrentKey(), "");
    const std::string text = "No key is currently open.";
    expectError([&] { Registry.ReadValue("A"); }, "CRegistry:ReadValue", text);
    expectError([&] { Registry.ValueExists("A"); }, "CRegistry:ReadValue", text);
    expectError([&] { Registry.WriteValue("A", "x"); }, "CRegistry:WriteValue", text);
    expectError([&] { Registry.DeleteValue("A"); }, "CRegistry:DeleteValue", text);

    Registry.OpenKey(kRoot, kKey, false);
    recorder.calls.clear();
    Registry.CloseKey();
    EXPECT_EQ(Registry.CurrentKey(), "");
    Registry.CloseKey();
    EXPECT_EQ(recorder.calls, std::vector<std::string>{"Close"});
}

TEST_F(CRegistryTest, ValuesAreTextUpTo254BytesFoundCaseBlindAndEmptyIsOneSpace) {
    Registry.OpenKey(kRoot, kKey, true);
    EXPECT_FALSE(Registry.ValueExists("Add Comment"));
    expectError([&] { Registry.ReadValue("Add Comment"); }, "CRegistry:ReadValue",
                "Failed to read value Add Comment from Registry.");
    Registry.WriteValue("Add Comment", "True");
    Registry.WriteValue("ADD COMMENT", "False");
    EXPECT_EQ(Registry.ReadValue("add comment"), "False");
    EXPECT_EQ(Registry.NumOfValues(), 1);
    Registry.DeleteValue("Add Comment");
    EXPECT_FALSE(Registry.ValueExists("Add Comment"));
    expectError([&] { Registry.DeleteValue("Add Comment"); }, "CRegistry:DeleteValue",
                "Failed to delete value Add Comment from Registry.");

    Registry.WriteValue("Empty", "");
    EXPECT_EQ(Registry.ReadValue("Empty"), " ");
    // The space and its terminator, two bytes each: the registry keeps text in UTF-16.
    EXPECT_EQ(Registry.MaxValueLength(), 4);

    const std::string fits(254, 'a');
    Registry.WriteValue("Fits", fits);
    EXPECT_TRUE(Registry.ValueExists("Fits"));
    EXPECT_EQ(Registry.ReadValue("Fits"), fits);
    Registry.WriteValue("Long", std::string(255, 'b'));
    EXPECT_FALSE(Registry.ValueExists("Long"));
    expectError([&] { Registry.ReadValue("Long"); }, "CRegistry:ReadValue",
                "Failed to read value Long from Registry.");

    // A value of size zero exists but is an invalid argument, not a text.
    RegistryHandle handle = 0;
    ASSERT_EQ(store.api().RegOpenKeyExA(kRoot, kKey.c_str(), 0, 0x20003, &handle), 0);
    ASSERT_EQ(store.api().RegSetValueExA(handle, "Nothing", 0, registry_type::kBinary, nullptr, 0),
              0);
    store.api().RegCloseKey(handle);
    EXPECT_TRUE(Registry.ValueExists("Nothing"));
    try {
        Registry.ReadValue("Nothing");
        ADD_FAILURE() << "a value of size zero was read";
    } catch (const RaisedError& error) {
        EXPECT_EQ(error.number(), CRegistry::kInvalidArgumentNumber);
        EXPECT_EQ(error.source(), "CRegistry:ReadValue");
    }
}

TEST_F(CRegistryTest, DeleteKeyClosesAndDeletesByTheRootAndPathOfTheLastOpen) {
    Registry.OpenKey(kRoot, kKey + "\\Child", true);
    Registry.OpenKey(kRoot, kKey, false);
    expectError([&] { Registry.DeleteKey(); }, "CRegistry:DeleteKey",
                "Failed to delete key " + kKey + ".");  // it has a sub-key
    EXPECT_EQ(recorder.openHandles, 0);

    CRegistry other(store.api());  // holds the key while it is deleted
    other.OpenKey(kRoot, kKey + "\\Child", false);
    Registry.OpenKey(kRoot, kKey + "\\child", false);
    Registry.WriteValue("Old", "value");
    Registry.DeleteKey();
    EXPECT_EQ(Registry.CurrentKey(), "");
    expectOpenFails(Registry, kKey + "\\Child", kKey + "\\Child");
    EXPECT_THROW(other.WriteValue("New", "value"), RaisedError);
    Registry.OpenKey(kRoot, kKey + "\\Child", true);
    EXPECT_EQ(Registry.NumOfValues(), 0);  // a new key of that name starts empty

    // A failed open keeps the root of the last good one; with no key open the path is empty.
    expectError([&] { Registry.OpenKey(registry_root::kCurrentUser, "Nowhere", false); },
                "CRegistry:OpenKey", "Failed to open key Nowhere.");
    expectError([&] { Registry.DeleteKey(); }, "CRegistry:DeleteKey", "Failed to delete key .");
    EXPECT_EQ(recorder.calls.back(), "Delete " + std::to_string(kRoot) + " ");
}

TEST_F(CRegistryTest, CountsAndLengthsFollowWritesAndSubKeys) {
    Registry.OpenKey(kRoot, kKey, true);
    EXPECT_EQ(Registry.NumOfValues(), 0);
    Registry.WriteValue("Seven77", "abc");
    EXPECT_EQ(Registry.NumOfValues(), 1);
    Registry.WriteValue("Four", "");
    EXPECT_EQ(Registry.NumOfValues(), 2);
    EXPECT_EQ(Registry.MaxValueNameLength(), 7);
    EXPECT_EQ(Registry.MaxValueLength(), 8);  // "abc" and its terminator in UTF-16

    createWithClass(kKey + "\\Sub key", "Klass");
    createWithClass(kKey + "\\S", "");
    EXPECT_EQ(Registry.NumOfSubKeys(), 2);
    EXPECT_EQ(Registry.MaxSubkeyNameLength(), 7);
    EXPECT_EQ(Registry.MaxClassNameLength(), 5);
    EXPECT_GE(Registry.SecurityDescriptor(), 0);
    EXPECT_EQ(Registry.KeyClass(), "");
    Registry.OpenKey(kRoot, kKey + "\\Sub key", false);
    EXPECT_EQ(Registry.KeyClass(), "Klass");
}

TEST_F(CRegistryTest, ClassTextOf255CharactersCannotBeDescribed) {
    createWithClass(kKey + "\\Longest", std::string(254, 'c'));
    createWithClass(kKey + "\\TooLong", std::string(255, 'c'));
    Registry.OpenKey(kRoot, kKey + "\\Longest", false);
    EXPECT_EQ(Registry.KeyClass(), std::string(254, 'c'));
    Registry.OpenKey(kRoot, kKey + "\\TooLong", false);
    expectKeyInformationRefused(Registry);
    // The time falls back to the stamp of the last key that could be described.
    EXPECT_NE(Registry.LastWriteTime(), DateTime{});
}

TEST_F(CRegistryTest, LastWriteTimeIsZeroAtFirstThenTheLocalTimeOfTheLastWrite) {
    expectKeyInformationRefused(Registry);
    EXPECT_EQ(Registry.LastWriteTime(), DateTime{});  // 30 December 1899, no error

    const auto before = localNow();
    Registry.OpenKey(kRoot, kKey, true);
    Registry.WriteValue("Stamp", "now");
    const DateTime written = Registry.LastWriteTime();
    EXPECT_LE(before, fields(written));
    EXPECT_LE(fields(written), localNow());
    // A closed key keeps the stamp of the last refresh rather than losing it.
    Registry.CloseKey();
    EXPECT_EQ(Registry.LastWriteTime(), written);
}

}  // namespace
}  // namespace tolvane
