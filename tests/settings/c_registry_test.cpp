#include "c_registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

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
        ADD_FAILURE() << "no error; expected " << description;
    } catch (const RaisedError& error) {
        EXPECT_EQ(error.number(), -2147221502);
        EXPECT_EQ(error.source(), source);
        EXPECT_EQ(error.description(), description);
    }
}

class CRegistryTest : public ::testing::Test {
  protected:
    TestRegistry store;
    RecordingRegistry recorder{store.api()};
    CRegistry Registry{recorder};
};

TEST_F(CRegistryTest, PathIsNormalisedBeforeItReachesTheStore) {
    Registry.OpenKey(kRoot, kKey, true);
    Registry.WriteValue("Mark", "here");

    Registry.OpenKey(kRoot, "\\" + kKey, false);
    EXPECT_EQ(Registry.CurrentKey(), kKey);
    EXPECT_EQ(Registry.ReadValue("Mark"), "here");

    Registry.OpenKey(kRoot, "Software/Tolvane Tests/Wrapper", false);
    EXPECT_EQ(Registry.CurrentKey(), kKey);
    EXPECT_EQ(Registry.ReadValue("Mark"), "here");

    // Only one leading "\" is dropped, and before the slashes turn into "\".
    expectError([&] { Registry.OpenKey(kRoot, "\\\\" + kKey, false); }, "CRegistry:OpenKey",
                "Failed to open key \\" + kKey + ".");
    expectError([&] { Registry.OpenKey(kRoot, "/Software/Tolvane Tests/Wrapper", false); },
                "CRegistry:OpenKey", "Failed to open key \\" + kKey + ".");
    EXPECT_EQ(recorder.calls.back(), "Open \\" + kKey);
}

TEST_F(CRegistryTest, MissingKeyIsOpenedOnlyWhenCreationIsAllowed) {
    expectError([&] { Registry.OpenKey(kRoot, "Software/Absent/Deeper", false); },
                "CRegistry:OpenKey", "Failed to open key Software\\Absent\\Deeper.");
    expectError([&] { Registry.OpenKey(kRoot, "Software\\Absent", false); }, "CRegistry:OpenKey",
                "Failed to open key Software\\Absent.");

    Registry.OpenKey(kRoot, "Software\\Absent\\Deeper", true);
    EXPECT_EQ(Registry.CurrentKey(), "Software\\Absent\\Deeper");
    Registry.OpenKey(kRoot, "Software\\Absent", false);
    EXPECT_EQ(Registry.NumOfSubKeys(), 1);
}

TEST_F(CRegistryTest, HeldKeyIsClosedBeforeAnotherOpenEvenWhenThatFails) {
    Registry.OpenKey(kRoot, kKey, true);
    EXPECT_EQ(recorder.openHandles, 1);
    expectError([&] { Registry.OpenKey(kRoot, "Software\\Nowhere", false); }, "CRegistry:OpenKey",
                "Failed to open key Software\\Nowhere.");
    EXPECT_EQ(recorder.openHandles, 0);
    EXPECT_EQ(Registry.CurrentKey(), "");
    expectError([&] { Registry.ReadValue("Mark"); }, "CRegistry:ReadValue",
                "No key is currently open.");
}

TEST_F(CRegistryTest, CloseKeyEmptiesThePathAndASecondCloseDoesNothing) {
    Registry.OpenKey(kRoot, kKey, true);
    Registry.CloseKey();
    EXPECT_EQ(Registry.CurrentKey(), "");
    Registry.CloseKey();
    EXPECT_EQ(recorder.calls.back(), "Close");
    EXPECT_EQ(std::count(recorder.calls.begin(), recorder.calls.end(), "Close"), 1);
}

TEST_F(CRegistryTest, DestructorClosesAHeldKey) {
    {
        CRegistry local(recorder);
        local.OpenKey(kRoot, kKey, true);
        EXPECT_EQ(recorder.openHandles, 1);
    }
    EXPECT_EQ(recorder.openHandles, 0);
}

TEST_F(CRegistryTest, ValueOperationsWithoutAKeyNameTheirOwnSource) {
    const std::string text = "No key is currently open.";
    expectError([&] { Registry.ReadValue("A"); }, "CRegistry:ReadValue", text);
    // ValueExists reports under ReadValue's name.
    expectError([&] { Registry.ValueExists("A"); }, "CRegistry:ReadValue", text);
    expectError([&] { Registry.WriteValue("A", "x"); }, "CRegistry:WriteValue", text);
    expectError([&] { Registry.DeleteValue("A"); }, "CRegistry:DeleteValue", text);
}

TEST_F(CRegistryTest, TextOf254BytesReadsBackAnd255DoesNot) {
    Registry.OpenKey(kRoot, kKey, true);
    const std::string fits(254, 'a');
    Registry.WriteValue("Fits", fits);
    EXPECT_TRUE(Registry.ValueExists("Fits"));
    EXPECT_EQ(Registry.ReadValue("Fits"), fits);

    Registry.WriteValue("Long", std::string(255, 'b'));
    EXPECT_FALSE(Registry.ValueExists("Long"));
    expectError([&] { Registry.ReadValue("Long"); }, "CRegistry:ReadValue",
                "Failed to read value Long from Registry.");
}

TEST_F(CRegistryTest, EmptyTextIsStoredAsOneSpace) {
    Registry.OpenKey(kRoot, kKey, true);
    Registry.WriteValue("Empty", "");
    EXPECT_EQ(Registry.ReadValue("Empty"), " ");
    // The space and its terminator, two bytes each: the registry keeps text in UTF-16.
    EXPECT_EQ(Registry.MaxValueLength(), 4);
}

TEST_F(CRegistryTest, ValuesAreReplacedFoundCaseBlindAndDeleted) {
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
}

TEST_F(CRegistryTest, ValueOfSizeZeroIsAnInvalidArgumentNotAText) {
    Registry.OpenKey(kRoot, kKey, true);
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

TEST_F(CRegistryTest, DeleteKeyDeletesByTheRootAndPathOfTheLastOpen) {
    Registry.OpenKey(kRoot, kKey + "\\Doomed", true);
    Registry.DeleteKey();
    EXPECT_EQ(Registry.CurrentKey(), "");
    expectError([&] { Registry.OpenKey(kRoot, kKey + "\\Doomed", false); }, "CRegistry:OpenKey",
                "Failed to open key " + kKey + "\\Doomed.");

    // A failed open keeps the root of the last good one; with no key open the path is empty.
    expectError([&] { Registry.OpenKey(registry_root::kCurrentUser, "Nowhere", false); },
                "CRegistry:OpenKey", "Failed to open key Nowhere.");
    expectError([&] { Registry.DeleteKey(); }, "CRegistry:DeleteKey", "Failed to delete key .");
    EXPECT_EQ(recorder.calls.back(), "Delete " + std::to_string(kRoot) + " ");
}

TEST_F(CRegistryTest, KeyWithSubKeysIsNotDeletedAndIsClosedAnyway) {
    Registry.OpenKey(kRoot, kKey + "\\Child", true);
    Registry.OpenKey(kRoot, kKey, false);
    expectError([&] { Registry.DeleteKey(); }, "CRegistry:DeleteKey",
                "Failed to delete key " + kKey + ".");
    EXPECT_EQ(recorder.openHandles, 0);
    Registry.OpenKey(kRoot, kKey + "\\Child", false);  // still there
}

}  // namespace
}  // namespace tolvane
