#include <gtest/gtest.h>

#include <ctime>
#include <functional>
#include <string>
#include <tuple>

#include "c_registry.h"
#include "raised_error.h"
#include "test_registry.h"

namespace tolvane {
namespace {

using testing::TestRegistry;

constexpr RegistryHandle kRoot = registry_root::kLocalMachine;
const std::string kKey = "Software\\Tolvane Tests\\Information";

// Every property that refreshes the key information, as a call.
const std::vector<std::pair<const char*, std::function<void(CRegistry&)>>> kProperties = {
    {"KeyClass", [](CRegistry& r) { r.KeyClass(); }},
    {"NumOfSubKeys", [](CRegistry& r) { r.NumOfSubKeys(); }},
    {"MaxSubkeyNameLength", [](CRegistry& r) { r.MaxSubkeyNameLength(); }},
    {"MaxClassNameLength", [](CRegistry& r) { r.MaxClassNameLength(); }},
    {"NumOfValues", [](CRegistry& r) { r.NumOfValues(); }},
    {"MaxValueNameLength", [](CRegistry& r) { r.MaxValueNameLength(); }},
    {"MaxValueLength", [](CRegistry& r) { r.MaxValueLength(); }},
    {"SecurityDescriptor", [](CRegistry& r) { r.SecurityDescriptor(); }},
};

void expectEveryPropertyRefused(CRegistry& Registry) {
    for (const auto& [name, read] : kProperties) {
        try {
            read(Registry);
            ADD_FAILURE() << name << " raised no error";
        } catch (const RaisedError& error) {
            EXPECT_EQ(error.number(), -2147221502) << name;
            EXPECT_EQ(error.source(), "CRegistry:RefreshKeyInfo") << name;
            EXPECT_EQ(error.description(), "Failed to retrieve key information.") << name;
        }
    }
}

// Creates `path` with a class text through the port itself; CRegistry never passes one.
void createWithClass(RegistryApi& api, const std::string& path, const std::string& keyClass) {
    RegistryHandle handle = 0;
    ASSERT_EQ(api.RegCreateKeyExA(kRoot, path.c_str(), 0, keyClass.c_str(), 0, 0x20003, nullptr,
                                  &handle, nullptr),
              0);
    api.RegCloseKey(handle);
}

std::tuple<int, int, int, int, int, int> fields(const DateTime& t) {
    return {t.year, t.month, t.day, t.hour, t.minute, t.second};
}

DateTime localNow() {
    const std::time_t now = std::time(nullptr);
    const std::tm local = *std::localtime(&now);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
            local.tm_hour,        local.tm_min,     local.tm_sec};
}

class KeyInformationTest : public ::testing::Test {
  protected:
    TestRegistry store;
    CRegistry Registry{store.api()};
};

TEST_F(KeyInformationTest, WithNoKeyOpenEveryPropertyButTheTimeIsRefused) {
    expectEveryPropertyRefused(Registry);
    EXPECT_EQ(Registry.LastWriteTime(), DateTime{});  // 30 December 1899, no error
}

TEST_F(KeyInformationTest, CountsAndLengthsFollowWritesAndSubKeys) {
    Registry.OpenKey(kRoot, kKey, true);
    EXPECT_EQ(Registry.NumOfValues(), 0);
    Registry.WriteValue("Seven77", "abc");
    EXPECT_EQ(Registry.NumOfValues(), 1);
    Registry.WriteValue("Four", "");
    EXPECT_EQ(Registry.NumOfValues(), 2);
    EXPECT_EQ(Registry.MaxValueNameLength(), 7);
    // "abc" and its terminator, two bytes each: the registry keeps text in UTF-16.
    EXPECT_EQ(Registry.MaxValueLength(), 8);

    createWithClass(store.api(), kKey + "\\Sub key", "Klass");
    createWithClass(store.api(), kKey + "\\S", "");
    EXPECT_EQ(Registry.NumOfSubKeys(), 2);
    EXPECT_EQ(Registry.MaxSubkeyNameLength(), 7);
    EXPECT_EQ(Registry.MaxClassNameLength(), 5);
    EXPECT_GE(Registry.SecurityDescriptor(), 0);
}

TEST_F(KeyInformationTest, ClassTextIsReportedUpTo254Characters) {
    createWithClass(store.api(), kKey + "\\None", "");
    createWithClass(store.api(), kKey + "\\Three", "abc");
    createWithClass(store.api(), kKey + "\\Longest", std::string(254, 'c'));
    createWithClass(store.api(), kKey + "\\TooLong", std::string(255, 'c'));

    Registry.OpenKey(kRoot, kKey + "\\None", false);
    EXPECT_EQ(Registry.KeyClass(), "");
    Registry.OpenKey(kRoot, kKey + "\\Three", false);
    EXPECT_EQ(Registry.KeyClass(), "abc");
    Registry.OpenKey(kRoot, kKey + "\\Longest", false);
    EXPECT_EQ(Registry.KeyClass(), std::string(254, 'c'));

    Registry.OpenKey(kRoot, kKey + "\\TooLong", false);
    expectEveryPropertyRefused(Registry);
    // The time falls back to the stamp of the last key that could be described.
    EXPECT_NE(Registry.LastWriteTime(), DateTime{});
}

TEST_F(KeyInformationTest, LastWriteTimeIsTheLocalTimeOfTheLastWrite) {
    const DateTime before = localNow();
    Registry.OpenKey(kRoot, kKey, true);
    Registry.WriteValue("Stamp", "now");
    const DateTime written = Registry.LastWriteTime();
    const DateTime after = localNow();
    EXPECT_LE(fields(before), fields(written));
    EXPECT_LE(fields(written), fields(after));

    // A closed key keeps the stamp of the last refresh rather than losing it.
    Registry.CloseKey();
    EXPECT_EQ(Registry.LastWriteTime(), written);
}

}  // namespace
}  // namespace tolvane
