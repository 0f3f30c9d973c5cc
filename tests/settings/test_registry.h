#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "raised_error.h"
#include "support/test_support.h"

#ifdef _WIN32
#include "scratch_machine_root.h"
#include "win32_registry.h"
#else
#include "registry_sqlite_store.h"
#endif

namespace tolvane::testing {

#ifdef _WIN32
// The real registry, with HKEY_LOCAL_MACHINE redirected to a scratch key for the life of
// one test (a base, so made before the registry and removed after).
class PlatformRegistry : private ScratchMachineRoot, public Win32Registry {
  public:
    PlatformRegistry() : ScratchMachineRoot("Software\\Tolvane Test Registry") {}
};
#else
struct StoreFolder {
    TemporaryFolder folder;
};
// The SQLite store in a temporary folder (a base, so made before the store and removed after).
class PlatformRegistry : private StoreFolder, public SqliteRegistryStore {
  public:
    PlatformRegistry() : SqliteRegistryStore((folder.path() / "registry.sqlite3").string()) {}
};
#endif

// A registry of its own for one test, empty at the start, that notes the opens and closes
// and the names of the values written, in order, and fails the query of the value named
// `failQueryOf` and the write of the one named `failSetOf` as a store with an I/O error
// would; with `refuseKeys`, it opens and creates no key, as a store the user may not write. The
// CRegistry and settings tests use only the port, so they run unchanged on either platform.
class TestRegistry : public PlatformRegistry {
    using U = std::uint32_t;

  public:
    std::vector<std::string> calls;  // "Open Software\\X", "Close"
    std::vector<std::string> written;
    std::string failQueryOf;
    std::string failSetOf;
    bool refuseKeys = false;
    std::function<void()> whileCalled = [] {};  // looks around at every open

    RegistryStatus RegOpenKeyExA(RegistryHandle key, const char* sub, U options, U access,
                                 RegistryHandle* result) override {
        calls.push_back(std::string("Open ") + sub);
        whileCalled();
        return refuseKeys ? 5 : PlatformRegistry::RegOpenKeyExA(key, sub, options, access, result);
    }
    RegistryStatus RegCreateKeyExA(RegistryHandle key, const char* sub, U reserved, const char* cls,
                                   U options, U access, const void* security,
                                   RegistryHandle* result, U* disposition) override {
        return refuseKeys
                   ? 5
                   : PlatformRegistry::RegCreateKeyExA(key, sub, reserved, cls, options, access,
                                                       security, result, disposition);
    }
    RegistryStatus RegCloseKey(RegistryHandle key) override {
        calls.push_back("Close");
        return PlatformRegistry::RegCloseKey(key);
    }
    RegistryStatus RegQueryValueExA(RegistryHandle key, const char* name, U* reserved, U* type,
                                    std::uint8_t* data, U* size) override {
        return failQueryOf == name
                   ? 1016
                   : PlatformRegistry::RegQueryValueExA(key, name, reserved, type, data, size);
    }
    RegistryStatus RegSetValueExA(RegistryHandle key, const char* name, U reserved, U type,
                                  const std::uint8_t* data, U size) override {
        written.push_back(name);
        return failSetOf == name
                   ? 1016
                   : PlatformRegistry::RegSetValueExA(key, name, reserved, type, data, size);
    }
};

// Runs `call` and checks that it raised CRegistry's error with this source and text.
inline void expectError(const std::function<void()>& call, const std::string& source,
                        const std::string& description, std::uint32_t number = 0x80040002u) {
    EXPECT_EQ(
        raisedBy(call, true),
        source + ": " + std::to_string(static_cast<std::int32_t>(number)) + ": " + description);
}

}  // namespace tolvane::testing
