#include "scratch_machine_root.h"

#include <windows.h>

#include <stdexcept>

namespace tolvane {

ScratchMachineRoot::ScratchMachineRoot(const char* userKey) : userKey_(userKey) {
    ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    ::RegDeleteTreeA(HKEY_CURRENT_USER, userKey_);  // what a run that was killed left
    // A real root holds keys of its own, so it can never be deleted; its stand-in keeps a
    // sub-key for the same reason.
    HKEY keeper = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, userKey_, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          &standIn_, nullptr) != ERROR_SUCCESS ||
        ::RegCreateKeyExA(standIn_, "Keeps this root", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          &keeper, nullptr) != ERROR_SUCCESS ||
        ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, standIn_) != ERROR_SUCCESS) {
        throw std::runtime_error("cannot redirect HKEY_LOCAL_MACHINE to a scratch key");
    }
    ::RegCloseKey(keeper);
}

ScratchMachineRoot::~ScratchMachineRoot() {
    ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    ::RegCloseKey(standIn_);
    ::RegDeleteTreeA(HKEY_CURRENT_USER, userKey_);
}

}  // namespace tolvane
