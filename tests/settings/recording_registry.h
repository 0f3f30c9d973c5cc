#pragma once

#include <string>
#include <vector>

#include "registry_api.h"

namespace tolvane::testing {

// Passes every call on to a real registry and notes what CRegistry asked of it, so a test
// can see the order of the calls, what was closed, and make one chosen write fail.
class RecordingRegistry : public RegistryApi {
    using U = std::uint32_t;
    using H = RegistryHandle;

  public:
    explicit RecordingRegistry(RegistryApi& inner) : inner_(inner) {}

    std::vector<std::string> calls;  // "Open Software\\X", "Set Name", "Close", ...
    int openHandles = 0;
    std::string failSetOf;          // a value name whose write is refused
    bool replaceLastWrite = false;  // report lastWrite instead of the stored time stamp
    FileTime lastWrite;

    // The names of the calls of one kind ("Set", "Query"), in order.
    std::vector<std::string> named(const std::string& kind) const {
        std::vector<std::string> names;
        for (const std::string& call : calls) {
            if (call.rfind(kind + " ", 0) == 0) {
                names.push_back(call.substr(kind.size() + 1));
            }
        }
        return names;
    }

    RegistryStatus RegOpenKeyExA(H key, const char* sub, U options, U access, H* result) override {
        calls.push_back(std::string("Open ") + sub);
        return counted(inner_.RegOpenKeyExA(key, sub, options, access, result));
    }
    RegistryStatus RegCreateKeyExA(H key, const char* sub, U reserved, const char* keyClass,
                                   U options, U access, const void* security, H* result,
                                   U* disposition) override {
        calls.push_back(std::string("Create ") + sub);
        return counted(inner_.RegCreateKeyExA(key, sub, reserved, keyClass, options, access,
                                              security, result, disposition));
    }
    RegistryStatus RegCloseKey(H key) override {
        calls.push_back("Close");
        const RegistryStatus status = inner_.RegCloseKey(key);
        openHandles -= status == kRegistrySuccess ? 1 : 0;
        return status;
    }
    RegistryStatus RegDeleteKeyA(H key, const char* sub) override {
        calls.push_back("Delete " + std::to_string(key) + " " + sub);
        return inner_.RegDeleteKeyA(key, sub);
    }
    RegistryStatus RegQueryValueExA(H key, const char* name, U* reserved, U* type,
                                    std::uint8_t* data, U* size) override {
        calls.push_back(std::string("Query ") + name);
        return inner_.RegQueryValueExA(key, name, reserved, type, data, size);
    }
    RegistryStatus RegSetValueExA(H key, const char* name, U reserved, U type,
                                  const std::uint8_t* data, U size) override {
        calls.push_back(std::string("Set ") + name);
        return failSetOf == name ? 1016
                                 : inner_.RegSetValueExA(key, name, reserved, type, data, size);
    }
    RegistryStatus RegDeleteValueA(H key, const char* name) override {
        return inner_.RegDeleteValueA(key, name);
    }
    RegistryStatus RegQueryInfoKeyA(H key, char* keyClass, U* classLength, U* reserved, U* subKeys,
                                    U* maxSubKey, U* maxClass, U* values, U* maxValueName,
                                    U* maxValue, U* security, FileTime* written) override {
        const RegistryStatus status =
            inner_.RegQueryInfoKeyA(key, keyClass, classLength, reserved, subKeys, maxSubKey,
                                    maxClass, values, maxValueName, maxValue, security, written);
        if (status == kRegistrySuccess && replaceLastWrite) {
            *written = lastWrite;
        }
        return status;
    }
    bool FileTimeToLocalFileTime(const FileTime* time, FileTime* local) override {
        return inner_.FileTimeToLocalFileTime(time, local);
    }
    bool FileTimeToSystemTime(const FileTime* time, SystemTime* fields) override {
        return inner_.FileTimeToSystemTime(time, fields);
    }

  private:
    RegistryStatus counted(RegistryStatus status) {
        openHandles += status == kRegistrySuccess ? 1 : 0;
        return status;
    }

    RegistryApi& inner_;
};

}  // namespace tolvane::testing
