// The test registry on Windows: the real registry, with HKEY_LOCAL_MACHINE (the only root
// the tests use) redirected by RegOverridePredefKey to a fresh key below HKEY_CURRENT_USER
// for the life of one test. The tests thus run against the system's own registry code,
// start empty, leave nothing behind, and never touch the machine's real root.

#include <windows.h>

#include <stdexcept>

#include "test_registry.h"

namespace tolvane::testing {

constexpr char kScratch[] = "Software\\Tolvane Test Registry";

PlatformRegistry::PlatformRegistry() {
    ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kScratch);  // what a run that was killed left
    // A real root holds keys of its own, so it can never be deleted; its stand-in keeps a
    // sub-key for the same reason.
    HKEY keeper = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, kScratch, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          &standIn_, nullptr) != ERROR_SUCCESS ||
        ::RegCreateKeyExA(standIn_, "Keeps this root", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          &keeper, nullptr) != ERROR_SUCCESS ||
        ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, standIn_) != ERROR_SUCCESS) {
        throw std::runtime_error("cannot redirect HKEY_LOCAL_MACHINE to a test key");
    }
    ::RegCloseKey(keeper);
}

PlatformRegistry::~PlatformRegistry() {
    ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    ::RegCloseKey(standIn_);
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kScratch);
}

}  // namespace tolvane::testing
