// The test registry on Windows: the real registry, with each predefined root redirected
// (RegOverridePredefKey) to a fresh key of its own for the life of one test. The tests
// thus run against the system's own registry code, start empty, leave nothing behind, and
// never touch the machine's real HKEY_LOCAL_MACHINE.

#include <windows.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "test_registry.h"
#include "win32_registry.h"

namespace tolvane::testing {

namespace {

// Scratch keys live below the real HKEY_CURRENT_USER, which every user may write.
constexpr char kScratch[] = "Software\\Tolvane Test Registry";

struct Root {
    HKEY key;
    const char* name;
};

const Root kRoots[] = {
    {HKEY_CLASSES_ROOT, "HKCR"}, {HKEY_CURRENT_USER, "HKCU"},  {HKEY_LOCAL_MACHINE, "HKLM"},
    {HKEY_USERS, "HKU"},         {HKEY_CURRENT_CONFIG, "HKCC"},
};

// A real root holds keys of its own, so it can never be deleted; a key that stands in for
// one keeps a sub-key for the same reason.
constexpr char kKeepsTheRoot[] = "Keeps this root";

}  // namespace

struct TestRegistry::Store {
    Win32Registry registry;
    std::vector<HKEY> overrides;
};

TestRegistry::TestRegistry() : store_(std::make_unique<Store>()) {
    for (const Root& root : kRoots) {
        RegOverridePredefKey(root.key, nullptr);
    }
    // What an earlier test (or a run that was killed) left is removed first.
    RegDeleteTreeA(HKEY_CURRENT_USER, kScratch);
    for (const Root& root : kRoots) {
        const std::string path = std::string(kScratch) + "\\" + root.name;
        HKEY stand_in = nullptr;
        HKEY keeper = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &stand_in, nullptr) != ERROR_SUCCESS ||
            RegCreateKeyExA(stand_in, kKeepsTheRoot, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &keeper, nullptr) != ERROR_SUCCESS) {
            throw std::runtime_error("cannot create the test registry below " + path);
        }
        RegCloseKey(keeper);
        store_->overrides.push_back(stand_in);
    }
    for (std::size_t i = 0; i < store_->overrides.size(); ++i) {
        if (RegOverridePredefKey(kRoots[i].key, store_->overrides[i]) != ERROR_SUCCESS) {
            throw std::runtime_error("cannot redirect the registry root " +
                                     std::string(kRoots[i].name));
        }
    }
}

TestRegistry::~TestRegistry() {
    for (std::size_t i = 0; i < store_->overrides.size(); ++i) {
        RegOverridePredefKey(kRoots[i].key, nullptr);
        RegCloseKey(store_->overrides[i]);
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, kScratch);
}

RegistryApi& TestRegistry::api() {
    return store_->registry;
}

}  // namespace tolvane::testing
