#include "registry_sqlite_store.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "registry_file_time.h"
#include "sqlite_statement.h"

namespace tolvane {

using namespace sqlite_store;

namespace {

// The real registry's limit on one key name.
constexpr std::size_t kMaxKeyNameLength = 255;

// An empty self-relative security descriptor: the header alone. The store keeps no owner,
// group or access lists, so this is all there is to report.
constexpr std::uint32_t kSecurityDescriptorSize = 20;

constexpr std::uint32_t kCreatedNewKey = 1;      // REG_CREATED_NEW_KEY
constexpr std::uint32_t kOpenedExistingKey = 2;  // REG_OPENED_EXISTING_KEY

// The parts of a key path. Empty for an empty path (the key itself). One trailing "\" is
// allowed; a leading one, an empty part ("a\\b") or a part longer than a key name
// makes the path invalid.
RegistryStatus splitPath(const char* path, std::vector<std::string_view>& parts) {
    parts.clear();
    std::string_view rest = path == nullptr ? std::string_view() : std::string_view(path);
    if (!rest.empty() && rest.back() == '\\') {
        rest.remove_suffix(1);
        if (rest.empty()) {
            return kBadPathname;
        }
    }
    while (!rest.empty()) {
        const std::size_t end = rest.find('\\');
        const std::string_view part = rest.substr(0, end);
        if (part.empty()) {
            return kBadPathname;
        }
        if (part.size() > kMaxKeyNameLength) {
            return kInvalidParameter;
        }
        parts.push_back(part);
        if (end == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(end + 1);
        if (rest.empty()) {
            return kBadPathname;
        }
    }
    return kRegistrySuccess;
}

// The id of the sub-key `name` of `parent`, if there is one; an error status otherwise.
std::optional<std::int64_t> findChild(sqlite3* db, std::int64_t parent, std::string_view name,
                                      RegistryStatus& status) {
    Statement query(db, "SELECT id FROM key WHERE parent = ?1 AND name = ?2");
    query.bind(1, parent).bind(2, name);
    const int result = query.step();
    if (result == SQLITE_ROW) {
        status = kRegistrySuccess;
        return query.number(0);
    }
    status = result == SQLITE_DONE ? kFileNotFound : statusOf(result);
    return std::nullopt;
}

// Follows `parts` down from `keyId`; on success keyId is the key they name.
RegistryStatus walk(sqlite3* db, const std::vector<std::string_view>& parts, std::int64_t& keyId) {
    for (const std::string_view part : parts) {
        RegistryStatus status = kRegistrySuccess;
        const auto child = findChild(db, keyId, part, status);
        if (!child) {
            return status;
        }
        keyId = *child;
    }
    return kRegistrySuccess;
}

RegistryStatus touchKey(sqlite3* db, std::int64_t keyId) {
    Statement update(db, "UPDATE key SET last_write = ?1 WHERE id = ?2");
    update.bind(1, nowTicks()).bind(2, keyId);
    return update.run();
}

// The size of a value's data as the Windows registry reports it: that registry keeps a
// text (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) in UTF-16, two bytes for each UTF-16 unit of
// the 8-bit text (one per UTF-8 sequence, two for one beyond 16 bits), whatever the
// 8-bit form's length.
std::uint32_t storedSize(std::uint32_t type, const std::vector<std::uint8_t>& data) {
    if (type != registry_type::kText && type != registry_type::kExpandText &&
        type != registry_type::kMultiText) {
        return static_cast<std::uint32_t>(data.size());
    }
    std::uint32_t units = 0;
    for (const std::uint8_t byte : data) {
        units += (byte & 0xC0) != 0x80 ? 1 : 0;
        units += byte >= 0xF0 ? 1 : 0;
    }
    return 2 * units;
}

bool isTextType(std::uint32_t type) {
    return type == registry_type::kText || type == registry_type::kExpandText;
}

}  // namespace

SqliteRegistryStore::SqliteRegistryStore(std::string location,
                                         std::chrono::milliseconds busyTimeout, Use use)
    : location_(std::move(location)), busyTimeout_(busyTimeout), use_(use) {}

SqliteRegistryStore::~SqliteRegistryStore() {
    sqlite3_close_v2(db_);
}

RegistryStatus SqliteRegistryStore::resolve(sqlite3* db, RegistryHandle hKey,
                                            std::uint32_t accessNeeded, std::int64_t& keyId) {
    if (hKey >= kFirstRoot && hKey <= kLastRoot) {
        keyId = static_cast<std::int64_t>(hKey - kFirstRoot + 1);
        return kRegistrySuccess;
    }
    const auto found = handles_.find(hKey);
    if (hKey == 0 || found == handles_.end()) {
        return kInvalidHandle;
    }
    if ((found->second.access & accessNeeded) != accessNeeded) {
        return kAccessDenied;
    }
    Statement exists(db, "SELECT 1 FROM key WHERE id = ?1");
    exists.bind(1, found->second.keyId);
    const int result = exists.step();
    if (result == SQLITE_DONE) {
        return kKeyDeleted;  // deleted through another handle or by another copy
    }
    if (result != SQLITE_ROW) {
        return statusOf(result);
    }
    keyId = found->second.keyId;
    return kRegistrySuccess;
}

RegistryHandle SqliteRegistryStore::newHandle(std::int64_t keyId, std::uint32_t access) {
    // Never 0, never a root, never one still in use.
    do {
        ++lastHandle_;
    } while (lastHandle_ == 0 || (lastHandle_ >= kFirstRoot && lastHandle_ <= kLastRoot) ||
             handles_.count(lastHandle_) != 0);
    handles_[lastHandle_] = HandleTarget{keyId, access};
    return lastHandle_;
}

RegistryStatus SqliteRegistryStore::onKey(RegistryHandle hKey, std::uint32_t accessNeeded,
                                          Work kind, const KeyBody& body) {
    noteFailure(kRegistrySuccess, std::string());
    if (kind == Work::kWriting && use_ == Use::kReadOnly) {
        return kAccessDenied;
    }
    RegistryStatus opened = kRegistrySuccess;
    sqlite3* db = connection(opened);
    if (db == nullptr) {
        return opened;  // the file cannot be used; it is left as it is
    }
    const auto run = [&]() -> RegistryStatus {
        std::int64_t keyId = 0;
        if (const RegistryStatus status = resolve(db, hKey, accessNeeded, keyId);
            status != kRegistrySuccess) {
            return status;
        }
        return body(db, keyId);
    };
    // Inside beginChanges and endChanges the bracket's transaction holds every change, and
    // endChanges keeps or drops them together.
    if (inChanges_) {
        return run();
    }
    Transaction transaction(db, kind == Work::kWriting);
    if (!transaction.begun()) {
        return statusOf(transaction.beginResult());
    }
    // A failed operation is rolled back whole. A reading one is committed too, which only
    // ends it: with nothing written, there is nothing that could fail.
    if (const RegistryStatus status = run(); status != kRegistrySuccess) {
        return status;
    }
    return commitStatus(transaction);
}

RegistryStatus SqliteRegistryStore::beginChanges() {
    if (inChanges_) {
        return kInvalidParameter;  // brackets do not nest
    }
    noteFailure(kRegistrySuccess, std::string());
    if (use_ == Use::kReadOnly) {
        return kAccessDenied;
    }
    RegistryStatus opened = kRegistrySuccess;
    sqlite3* db = connection(opened);
    if (db == nullptr) {
        return opened;
    }
    // The write lock at once, as for a single change: the one wait for another copy is here.
    if (const int result = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        result != SQLITE_OK) {
        return statusOf(result);
    }
    inChanges_ = true;
    return kRegistrySuccess;
}

RegistryStatus SqliteRegistryStore::endChanges(bool keep) {
    if (!inChanges_) {
        return kInvalidParameter;
    }
    const int result = sqlite3_exec(db_, keep ? "COMMIT" : "ROLLBACK", nullptr, nullptr, nullptr);
    if (result != SQLITE_OK) {
        // A commit that failed leaves the transaction open; nothing of it is kept.
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    inChanges_ = false;
    return result == SQLITE_OK ? kRegistrySuccess : statusOf(result);
}

std::string SqliteRegistryStore::describeFailure(RegistryStatus status) {
    const std::string cause = notedCause(status);
    return cause.empty() ? std::string() : "The file " + location_ + " " + cause + ".";
}

RegistryStatus SqliteRegistryStore::RegOpenKeyExA(RegistryHandle hKey, const char* lpSubKey,
                                                  std::uint32_t /*ulOptions*/,
                                                  std::uint32_t samDesired,
                                                  RegistryHandle* phkResult) {
    if (phkResult == nullptr) {
        return kInvalidParameter;
    }
    std::vector<std::string_view> parts;
    if (const RegistryStatus status = splitPath(lpSubKey, parts); status != kRegistrySuccess) {
        return status;
    }
    std::int64_t opened = 0;
    const auto body = [&](sqlite3* db, std::int64_t keyId) -> RegistryStatus {
        opened = keyId;
        return walk(db, parts, opened);
    };
    const RegistryStatus status = onKey(hKey, 0, Work::kReading, body);
    if (status != kRegistrySuccess) {
        return status;
    }
    // Only a call that succeeded gives a handle, so a failed one leaves none behind.
    *phkResult = newHandle(opened, samDesired);
    return kRegistrySuccess;
}

RegistryStatus SqliteRegistryStore::RegCreateKeyExA(
    RegistryHandle hKey, const char* lpSubKey, std::uint32_t /*Reserved*/, const char* lpClass,
    std::uint32_t /*dwOptions*/, std::uint32_t samDesired, const void* /*lpSecurityAttributes*/,
    RegistryHandle* phkResult, std::uint32_t* lpdwDisposition) {
    if (phkResult == nullptr) {
        return kInvalidParameter;
    }
    std::vector<std::string_view> parts;
    if (const RegistryStatus status = splitPath(lpSubKey, parts); status != kRegistrySuccess) {
        return status;
    }
    std::int64_t opened = 0;
    bool created = false;
    const auto body = [&](sqlite3* db, std::int64_t keyId) -> RegistryStatus {
        for (std::size_t i = 0; i < parts.size(); ++i) {
            RegistryStatus found = kRegistrySuccess;
            if (const auto child = findChild(db, keyId, parts[i], found)) {
                keyId = *child;
                continue;
            }
            if (found != kFileNotFound) {
                return found;
            }
            // Only the key asked for gets the class text; the keys made on the way have none.
            const bool last = i + 1 == parts.size();
            Statement insert(
                db, "INSERT INTO key (parent, name, class, last_write) VALUES (?1, ?2, ?3, ?4)");
            insert.bind(1, keyId)
                .bind(2, parts[i])
                .bind(3, std::string_view(last && lpClass != nullptr ? lpClass : ""))
                .bind(4, nowTicks());
            if (const RegistryStatus inserted = insert.run(); inserted != kRegistrySuccess) {
                return inserted;
            }
            keyId = sqlite3_last_insert_rowid(db);
            created = true;
        }
        opened = keyId;
        return kRegistrySuccess;
    };
    const RegistryStatus status = onKey(hKey, 0, Work::kWriting, body);
    if (status != kRegistrySuccess) {
        return status;
    }
    // As for RegOpenKeyExA: nothing is handed out before the keys are stored.
    *phkResult = newHandle(opened, samDesired);
    if (lpdwDisposition != nullptr) {
        *lpdwDisposition = created ? kCreatedNewKey : kOpenedExistingKey;
    }
    return kRegistrySuccess;
}

RegistryStatus SqliteRegistryStore::RegCloseKey(RegistryHandle hKey) {
    if (hKey >= kFirstRoot && hKey <= kLastRoot) {
        return kRegistrySuccess;  // the roots are never really open, so never closed
    }
    return handles_.erase(hKey) != 0 ? kRegistrySuccess : kInvalidHandle;
}

RegistryStatus SqliteRegistryStore::RegDeleteKeyA(RegistryHandle hKey, const char* lpSubKey) {
    std::vector<std::string_view> parts;
    if (const RegistryStatus status = splitPath(lpSubKey, parts); status != kRegistrySuccess) {
        return status;
    }
    if (parts.empty()) {
        return kInvalidParameter;  // the key itself, which may be a root: never deleted
    }
    const auto body = [&](sqlite3* db, std::int64_t keyId) -> RegistryStatus {
        if (const RegistryStatus status = walk(db, parts, keyId); status != kRegistrySuccess) {
            return status;
        }
        Statement children(db, "SELECT 1 FROM key WHERE parent = ?1 LIMIT 1");
        children.bind(1, keyId);
        if (const int result = children.step(); result != SQLITE_DONE) {
            // a key with sub-keys is never deleted
            return result == SQLITE_ROW ? kAccessDenied : statusOf(result);
        }
        Statement values(db, "DELETE FROM value WHERE key = ?1");
        if (const RegistryStatus status = values.bind(1, keyId).run(); status != kRegistrySuccess) {
            return status;
        }
        Statement key(db, "DELETE FROM key WHERE id = ?1");
        return key.bind(1, keyId).run();
    };
    return onKey(hKey, 0, Work::kWriting, body);
}

RegistryStatus SqliteRegistryStore::RegQueryValueExA(RegistryHandle hKey, const char* lpValueName,
                                                     std::uint32_t* lpReserved,
                                                     std::uint32_t* lpType, std::uint8_t* lpData,
                                                     std::uint32_t* lpcbData) {
    if (lpReserved != nullptr || (lpData != nullptr && lpcbData == nullptr)) {
        return kInvalidParameter;
    }
    const auto body = [&](sqlite3* db, std::int64_t keyId) -> RegistryStatus {
        Statement query(db, "SELECT type, data FROM value WHERE key = ?1 AND name = ?2");
        query.bind(1, keyId).bind(2, std::string_view(lpValueName == nullptr ? "" : lpValueName));
        const int result = query.step();
        if (result != SQLITE_ROW) {
            return result == SQLITE_DONE ? kFileNotFound : statusOf(result);
        }
        const std::vector<std::uint8_t> data = query.blob(1);
        const auto size = static_cast<std::uint32_t>(data.size());
        if (lpData != nullptr && size > *lpcbData) {
            *lpcbData = size;  // what it would take, as the real registry reports it
            return kMoreData;
        }
        if (lpData != nullptr && size > 0) {
            std::memcpy(lpData, data.data(), size);
        }
        if (lpcbData != nullptr) {
            *lpcbData = size;
        }
        if (lpType != nullptr) {
            *lpType = static_cast<std::uint32_t>(query.number(0));
        }
        return kRegistrySuccess;
    };
    return onKey(hKey, registry_access::kQueryValue, Work::kReading, body);
}

RegistryStatus SqliteRegistryStore::RegSetValueExA(RegistryHandle hKey, const char* lpValueName,
                                                   std::uint32_t /*Reserved*/, std::uint32_t dwType,
                                                   const std::uint8_t* lpData,
                                                   std::uint32_t cbData) {
    if (lpData == nullptr && cbData != 0) {
        return kInvalidParameter;
    }
    std::vector<std::uint8_t> data;
    if (lpData != nullptr) {
        data.assign(lpData, lpData + cbData);
    }
    // A text is kept with its terminator, counted or not by the caller.
    if (isTextType(dwType) && (data.empty() || data.back() != 0)) {
        data.push_back(0);
    }
    const auto body = [&](sqlite3* db, std::int64_t keyId) -> RegistryStatus {
        // An existing value keeps the spelling of its name; only type and data change.
        Statement upsert(db,
                         "INSERT INTO value (key, name, type, data) VALUES (?1, ?2, ?3, ?4) "
                         "ON CONFLICT (key, name) DO UPDATE SET type = excluded.type, "
                         "data = excluded.data");
        upsert.bind(1, keyId)
            .bind(2, std::string_view(lpValueName == nullptr ? "" : lpValueName))
            .bind(3, static_cast<std::int64_t>(dwType))
            .bindBlob(4, data);
        if (const RegistryStatus status = upsert.run(); status != kRegistrySuccess) {
            return status;
        }
        return touchKey(db, keyId);
    };
    return onKey(hKey, registry_access::kSetValue, Work::kWriting, body);
}

RegistryStatus SqliteRegistryStore::RegDeleteValueA(RegistryHandle hKey, const char* lpValueName) {
    const auto body = [&](sqlite3* db, std::int64_t keyId) -> RegistryStatus {
        Statement remove(db, "DELETE FROM value WHERE key = ?1 AND name = ?2");
        remove.bind(1, keyId).bind(2, std::string_view(lpValueName == nullptr ? "" : lpValueName));
        if (const RegistryStatus status = remove.run(); status != kRegistrySuccess) {
            return status;
        }
        if (sqlite3_changes(db) == 0) {
            return kFileNotFound;
        }
        return touchKey(db, keyId);
    };
    return onKey(hKey, registry_access::kSetValue, Work::kWriting, body);
}

RegistryStatus SqliteRegistryStore::RegQueryInfoKeyA(
    RegistryHandle hKey, char* lpClass, std::uint32_t* lpcchClass, std::uint32_t* lpReserved,
    std::uint32_t* lpcSubKeys, std::uint32_t* lpcbMaxSubKeyLen, std::uint32_t* lpcbMaxClassLen,
    std::uint32_t* lpcValues, std::uint32_t* lpcbMaxValueNameLen, std::uint32_t* lpcbMaxValueLen,
    std::uint32_t* lpcbSecurityDescriptor, FileTime* lpftLastWriteTime) {
    if (lpReserved != nullptr || (lpClass != nullptr && lpcchClass == nullptr)) {
        return kInvalidParameter;
    }
    const auto body = [&](sqlite3* db, std::int64_t keyId) -> RegistryStatus {
        Statement info(
            db,
            "SELECT k.class, k.last_write,"
            " (SELECT count(*) FROM key WHERE parent = k.id),"
            " (SELECT coalesce(max(length(CAST(name AS BLOB))), 0) FROM key WHERE parent = k.id),"
            " (SELECT coalesce(max(length(CAST(class AS BLOB))), 0) FROM key WHERE parent = k.id),"
            " (SELECT count(*) FROM value WHERE key = k.id),"
            " (SELECT coalesce(max(length(CAST(name AS BLOB))), 0) FROM value WHERE key = k.id)"
            " FROM key AS k WHERE k.id = ?1");
        info.bind(1, keyId);
        const int result = info.step();
        if (result != SQLITE_ROW) {
            return result == SQLITE_DONE ? kKeyDeleted : statusOf(result);
        }
        const std::string classText = info.text(0);
        if (lpClass != nullptr && classText.size() + 1 > *lpcchClass) {
            return kMoreData;  // nothing written
        }
        if (lpClass != nullptr) {
            std::memcpy(lpClass, classText.c_str(), classText.size() + 1);
        }
        if (lpcchClass != nullptr) {
            *lpcchClass = static_cast<std::uint32_t>(classText.size());
        }
        const auto count = [&info](int column) {
            return static_cast<std::uint32_t>(info.number(column));
        };
        if (lpcSubKeys != nullptr) {
            *lpcSubKeys = count(2);
        }
        if (lpcbMaxSubKeyLen != nullptr) {
            *lpcbMaxSubKeyLen = count(3);
        }
        if (lpcbMaxClassLen != nullptr) {
            *lpcbMaxClassLen = count(4);
        }
        if (lpcValues != nullptr) {
            *lpcValues = count(5);
        }
        if (lpcbMaxValueNameLen != nullptr) {
            *lpcbMaxValueNameLen = count(6);
        }
        if (lpcbMaxValueLen != nullptr) {
            Statement sizes(db, "SELECT type, data FROM value WHERE key = ?1");
            sizes.bind(1, keyId);
            std::uint32_t largest = 0;
            while (sizes.step() == SQLITE_ROW) {
                largest = std::max(largest, storedSize(static_cast<std::uint32_t>(sizes.number(0)),
                                                       sizes.blob(1)));
            }
            *lpcbMaxValueLen = largest;
        }
        if (lpcbSecurityDescriptor != nullptr) {
            *lpcbSecurityDescriptor = kSecurityDescriptorSize;
        }
        if (lpftLastWriteTime != nullptr) {
            *lpftLastWriteTime = FileTime::fromTicks(static_cast<std::uint64_t>(info.number(1)));
        }
        return kRegistrySuccess;
    };
    return onKey(hKey, registry_access::kQueryValue, Work::kReading, body);
}

bool SqliteRegistryStore::FileTimeToLocalFileTime(const FileTime* lpFileTime,
                                                  FileTime* lpLocalFileTime) {
    return lpFileTime != nullptr && lpLocalFileTime != nullptr &&
           fileTimeToLocal(*lpFileTime, *lpLocalFileTime);
}

bool SqliteRegistryStore::FileTimeToSystemTime(const FileTime* lpFileTime,
                                               SystemTime* lpSystemTime) {
    return lpFileTime != nullptr && lpSystemTime != nullptr &&
           fileTimeToCalendar(*lpFileTime, *lpSystemTime);
}

}  // namespace tolvane
