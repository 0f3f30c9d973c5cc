#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>

#include "registry_api.h"

struct sqlite3;

namespace tolvane {

// The registry off Windows: one SQLite database file holding the six predefined trees.
//
// Every change is one transaction, committed durably before the call returns, so a crash
// loses at most the call under way and never half of it; changes between beginChanges and
// endChanges are one transaction together. A busy timeout lets several
// running copies share the file. A file that cannot be used (damaged, not a database, a
// database of some other program, a newer format, a place where nothing can be created)
// makes every call fail with a non-zero status and is never changed or replaced: the user
// may want to look at it; describeFailure names the file and what is wrong with it. The file is
// opened on first use and again on every later call while it cannot be, so a repaired file is
// picked up without a restart.
//
// Handles are numbers of this object's own, valid until closed; they remember the access
// they were opened with, as the real registry does. Not for use from several threads.
class SqliteRegistryStore : public RegistryApi {
  public:
    // How long a call waits for a lock that another running copy holds before it fails
    // with a status of its own (never one that reads as "no such value"). A copy holds
    // the write lock only while one change is committed, so only a copy that hangs, or
    // another program holding the file, outlasts it.
    static constexpr std::chrono::milliseconds kBusyTimeout{10'000};

    // kReadOnly: the store is read and never made or changed. A file (or folder) that does
    // not exist yet, or an empty file, is a store with no keys; every change is refused.
    enum class Use { kReadWrite, kReadOnly };

    // `busyTimeout` is shortened only by tests that make the store busy on purpose.
    explicit SqliteRegistryStore(std::string location,
                                 std::chrono::milliseconds busyTimeout = kBusyTimeout,
                                 Use use = Use::kReadWrite);
    SqliteRegistryStore(const SqliteRegistryStore&) = delete;
    SqliteRegistryStore& operator=(const SqliteRegistryStore&) = delete;
    ~SqliteRegistryStore() override;

    // $XDG_CONFIG_HOME/tolvane/registry.sqlite3, or ~/.config/tolvane/registry.sqlite3.
    static std::string defaultLocation();

    const std::string& location() const { return location_; }

    RegistryStatus RegOpenKeyExA(RegistryHandle hKey, const char* lpSubKey, std::uint32_t ulOptions,
                                 std::uint32_t samDesired, RegistryHandle* phkResult) override;
    RegistryStatus RegCreateKeyExA(RegistryHandle hKey, const char* lpSubKey,
                                   std::uint32_t Reserved, const char* lpClass,
                                   std::uint32_t dwOptions, std::uint32_t samDesired,
                                   const void* lpSecurityAttributes, RegistryHandle* phkResult,
                                   std::uint32_t* lpdwDisposition) override;
    RegistryStatus RegCloseKey(RegistryHandle hKey) override;
    RegistryStatus RegDeleteKeyA(RegistryHandle hKey, const char* lpSubKey) override;
    RegistryStatus RegQueryValueExA(RegistryHandle hKey, const char* lpValueName,
                                    std::uint32_t* lpReserved, std::uint32_t* lpType,
                                    std::uint8_t* lpData, std::uint32_t* lpcbData) override;
    RegistryStatus RegSetValueExA(RegistryHandle hKey, const char* lpValueName,
                                  std::uint32_t Reserved, std::uint32_t dwType,
                                  const std::uint8_t* lpData, std::uint32_t cbData) override;
    RegistryStatus RegDeleteValueA(RegistryHandle hKey, const char* lpValueName) override;
    RegistryStatus RegQueryInfoKeyA(RegistryHandle hKey, char* lpClass, std::uint32_t* lpcchClass,
                                    std::uint32_t* lpReserved, std::uint32_t* lpcSubKeys,
                                    std::uint32_t* lpcbMaxSubKeyLen, std::uint32_t* lpcbMaxClassLen,
                                    std::uint32_t* lpcValues, std::uint32_t* lpcbMaxValueNameLen,
                                    std::uint32_t* lpcbMaxValueLen,
                                    std::uint32_t* lpcbSecurityDescriptor,
                                    FileTime* lpftLastWriteTime) override;
    RegistryStatus beginChanges() override;
    RegistryStatus endChanges(bool keep) override;
    std::string describeFailure(RegistryStatus status) override;
    bool FileTimeToLocalFileTime(const FileTime* lpFileTime, FileTime* lpLocalFileTime) override;
    bool FileTimeToSystemTime(const FileTime* lpFileTime, SystemTime* lpSystemTime) override;

  private:
    // What a handle stands for.
    struct HandleTarget {
        std::int64_t keyId = 0;
        std::uint32_t access = 0;
    };

    // The open connection, or null with the status why not (for a read-only store that
    // does not exist yet, kFileNotFound: there is no key in it).
    sqlite3* connection(RegistryStatus& status);
    RegistryStatus prepareSchema(sqlite3* db);
    // The key `hKey` stands for, if it is a root or an open handle whose key still exists
    // and that was opened with every right in `accessNeeded`.
    RegistryStatus resolve(sqlite3* db, RegistryHandle hKey, std::uint32_t accessNeeded,
                           std::int64_t& keyId);
    RegistryHandle newHandle(std::int64_t keyId, std::uint32_t access);

    // Whether an operation only looks at the store or changes it; a change takes the write
    // lock at once.
    enum class Work { kReading, kWriting };
    // One operation's own part: given the connection and the key the handle stands for, it
    // returns its status.
    using KeyBody = std::function<RegistryStatus(sqlite3* db, std::int64_t keyId)>;
    // Opens the file, begins the transaction and resolves `hKey` (see resolve), then runs
    // `body`; what that does is committed only if it succeeds. The status of the first of
    // these that fails, else of the commit.
    RegistryStatus onKey(RegistryHandle hKey, std::uint32_t accessNeeded, Work kind,
                         const KeyBody& body);

    std::string location_;
    std::chrono::milliseconds busyTimeout_;
    Use use_;
    sqlite3* db_ = nullptr;
    // Set between beginChanges and endChanges: the operations run in that transaction.
    bool inChanges_ = false;
    std::unordered_map<RegistryHandle, HandleTarget> handles_;
    RegistryHandle lastHandle_ = 0;
};

}  // namespace tolvane
