#include "registry_sqlite_store.h"

#include <pwd.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "registry_file_time.h"

namespace tolvane {

namespace {

// The store's status codes: the Win32 error numbers for the same failures, so that a code
// seen in a debugger means the same on both systems.
constexpr RegistryStatus kFileNotFound = 2;       // ERROR_FILE_NOT_FOUND: no such key or value
constexpr RegistryStatus kAccessDenied = 5;       // ERROR_ACCESS_DENIED
constexpr RegistryStatus kInvalidHandle = 6;      // ERROR_INVALID_HANDLE
constexpr RegistryStatus kInvalidParameter = 87;  // ERROR_INVALID_PARAMETER
constexpr RegistryStatus kBadPathname = 161;      // ERROR_BAD_PATHNAME
constexpr RegistryStatus kMoreData = 234;         // ERROR_MORE_DATA: does not fit the buffer
constexpr RegistryStatus kBadDatabase = 1009;     // ERROR_BADDB: damaged or foreign file
constexpr RegistryStatus kIoFailed = 1016;        // ERROR_REGISTRY_IO_FAILED
constexpr RegistryStatus kKeyDeleted = 1018;      // ERROR_KEY_DELETED: handle of a deleted key
// CRegistry tells a value that is not there from a store that failed by these two.
static_assert(kFileNotFound == kRegistryNotFound && kMoreData == kRegistryMoreData);

// Marks a file as this store's ("Tolv"), so a database of another program is never taken
// over; user_version numbers the layout below.
constexpr int kApplicationId = 0x546F6C76;
constexpr int kSchemaVersion = 1;

// The real registry's limit on one key name.
constexpr std::size_t kMaxKeyNameLength = 255;

// An empty self-relative security descriptor: the header alone. The store keeps no owner,
// group or access lists, so this is all there is to report.
constexpr std::uint32_t kSecurityDescriptorSize = 20;

constexpr RegistryHandle kFirstRoot = registry_root::kClassesRoot;
constexpr RegistryHandle kLastRoot = registry_root::kCurrentConfig;

constexpr std::uint32_t kCreatedNewKey = 1;      // REG_CREATED_NEW_KEY
constexpr std::uint32_t kOpenedExistingKey = 2;  // REG_OPENED_EXISTING_KEY

// Key and value names compare case-blind (NOCASE folds ASCII letters). Each root is a key
// row without a parent; id = root - 0x80000000 + 1. AUTOINCREMENT keeps the id of a deleted
// key from being given to a new one, so a stale handle can never reach a stranger's key.
constexpr const char* kSchema = R"sql(
CREATE TABLE key (
    id         INTEGER PRIMARY KEY AUTOINCREMENT,
    parent     INTEGER REFERENCES key(id),
    name       TEXT NOT NULL COLLATE NOCASE,
    class      TEXT NOT NULL DEFAULT '',
    last_write INTEGER NOT NULL,
    UNIQUE (parent, name)
);
CREATE TABLE value (
    key  INTEGER NOT NULL REFERENCES key(id),
    name TEXT NOT NULL COLLATE NOCASE,
    type INTEGER NOT NULL,
    data BLOB NOT NULL,
    PRIMARY KEY (key, name)
) WITHOUT ROWID;
)sql";

constexpr const char* kRootNames[] = {"HKEY_CLASSES_ROOT",     "HKEY_CURRENT_USER",
                                      "HKEY_LOCAL_MACHINE",    "HKEY_USERS",
                                      "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG"};

RegistryStatus statusOf(int sqliteResult) {
    switch (sqliteResult & 0xff) {
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            return kBadDatabase;
        default:
            return kIoFailed;
    }
}

std::int64_t nowTicks() {
    return static_cast<std::int64_t>(fileTimeNow().ticks());
}

// One prepared statement, finalised when it goes.
class Statement {
  public:
    Statement(sqlite3* db, const char* sql) {
        result_ = sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr);
    }
    ~Statement() { sqlite3_finalize(statement_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool prepared() const { return result_ == SQLITE_OK; }
    int prepareResult() const { return result_; }

    Statement& bind(int index, std::int64_t number) {
        sqlite3_bind_int64(statement_, index, number);
        return *this;
    }
    Statement& bind(int index, std::string_view text) {
        // A non-null pointer even for an empty text: a null one would bind NULL.
        sqlite3_bind_text(statement_, index, text.empty() ? "" : text.data(),
                          static_cast<int>(text.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Statement& bindBlob(int index, const std::vector<std::uint8_t>& bytes) {
        static const std::uint8_t kNothing = 0;
        sqlite3_bind_blob(statement_, index, bytes.empty() ? &kNothing : bytes.data(),
                          static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
        return *this;
    }

    // SQLITE_ROW, SQLITE_DONE or an error.
    int step() {
        if (!prepared()) {
            return result_;
        }
        return sqlite3_step(statement_);
    }
    // Steps a statement that returns no rows (a change) to its end.
    RegistryStatus run() {
        const int result = step();
        return result == SQLITE_DONE ? kRegistrySuccess : statusOf(result);
    }

    std::int64_t number(int column) const { return sqlite3_column_int64(statement_, column); }
    std::string text(int column) const {
        const auto* bytes = sqlite3_column_text(statement_, column);
        const int size = sqlite3_column_bytes(statement_, column);
        return bytes == nullptr ? std::string()
                                : std::string(reinterpret_cast<const char*>(bytes), size);
    }
    std::vector<std::uint8_t> blob(int column) const {
        const auto* bytes =
            static_cast<const std::uint8_t*>(sqlite3_column_blob(statement_, column));
        const int size = sqlite3_column_bytes(statement_, column);
        return bytes == nullptr ? std::vector<std::uint8_t>()
                                : std::vector<std::uint8_t>(bytes, bytes + size);
    }

  private:
    sqlite3_stmt* statement_ = nullptr;
    int result_ = SQLITE_OK;
};

// A transaction that rolls back unless committed. A writing one takes the write lock at
// once, so two copies never both read and then fight over upgrading their locks (SQLite
// would then fail one of them at once instead of waiting).
class Transaction {
  public:
    Transaction(sqlite3* db, bool writing) : db_(db) {
        result_ =
            sqlite3_exec(db, writing ? "BEGIN IMMEDIATE" : "BEGIN", nullptr, nullptr, nullptr);
        open_ = result_ == SQLITE_OK;
    }
    ~Transaction() {
        if (open_) {
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        }
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    bool begun() const { return open_; }
    int beginResult() const { return result_; }

    int commit() {
        const int result = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
        if (result == SQLITE_OK) {
            open_ = false;
        }
        return result;
    }

  private:
    sqlite3* db_;
    int result_ = SQLITE_OK;
    bool open_ = false;
};

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

RegistryStatus commitStatus(Transaction& transaction) {
    const int result = transaction.commit();
    return result == SQLITE_OK ? kRegistrySuccess : statusOf(result);
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

std::string homeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
        return home;
    }
    if (const passwd* user = getpwuid(getuid()); user != nullptr && user->pw_dir != nullptr) {
        return user->pw_dir;
    }
    return ".";
}

}  // namespace

SqliteRegistryStore::SqliteRegistryStore(std::string location,
                                         std::chrono::milliseconds busyTimeout)
    : location_(std::move(location)), busyTimeout_(busyTimeout) {}

SqliteRegistryStore::~SqliteRegistryStore() {
    sqlite3_close_v2(db_);
}

std::string SqliteRegistryStore::defaultLocation() {
    std::filesystem::path folder;
    // XDG base directories ignore a relative XDG_CONFIG_HOME.
    if (const char* config = std::getenv("XDG_CONFIG_HOME");
        config != nullptr && config[0] == '/') {
        folder = config;
    } else {
        folder = std::filesystem::path(homeFolder()) / ".config";
    }
    return (folder / "tolvane" / "registry.sqlite3").string();
}

sqlite3* SqliteRegistryStore::connection() {
    if (db_ != nullptr) {
        return db_;
    }
    // The folder of the default location need not exist yet. Where it cannot be made, the
    // open below fails and reports it.
    std::error_code ignored;
    const std::filesystem::path parent = std::filesystem::path(location_).parent_path();
    if (!parent.empty()) {
        std::filesystem::create_directories(parent, ignored);
    }

    sqlite3* db = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(location_.c_str(), &db, flags, nullptr) != SQLITE_OK) {
        sqlite3_close_v2(db);
        return nullptr;
    }
    // Another copy of the program may hold the write lock for a moment.
    sqlite3_busy_timeout(db, static_cast<int>(busyTimeout_.count()));
    // FULL: a commit is on the disk when the call returns. The rollback journal (not WAL)
    // keeps the store one self-contained file.
    if (sqlite3_exec(db, "PRAGMA foreign_keys = ON; PRAGMA synchronous = FULL", nullptr, nullptr,
                     nullptr) != SQLITE_OK ||
        prepareSchema(db) != kRegistrySuccess) {
        sqlite3_close_v2(db);
        return nullptr;
    }
    db_ = db;
    return db_;
}

RegistryStatus SqliteRegistryStore::prepareSchema(sqlite3* db) {
    // Reading first means a file that is not a database, or not ours, is refused before
    // anything is written to it.
    std::int64_t applicationId = 0;
    std::int64_t version = 0;
    std::int64_t objects = 0;
    int result = SQLITE_OK;
    {
        // Finalised before the write lock is asked for: a statement left open keeps its read
        // lock, and a copy that holds a read lock while waiting for the write lock can
        // deadlock with one that is committing, which SQLite ends by failing at once.
        Statement marks(db,
                        "SELECT (SELECT application_id FROM pragma_application_id),"
                        "       (SELECT user_version FROM pragma_user_version),"
                        "       (SELECT count(*) FROM sqlite_schema)");
        if ((result = marks.step()) != SQLITE_ROW) {
            return statusOf(result);
        }
        applicationId = marks.number(0);
        version = marks.number(1);
        objects = marks.number(2);
    }
    if (applicationId == kApplicationId && version == kSchemaVersion) {
        return kRegistrySuccess;
    }
    if (applicationId != 0 || objects != 0) {
        return kBadDatabase;  // another program's database, or a newer layout
    }

    Transaction transaction(db, true);
    if (!transaction.begun()) {
        return statusOf(transaction.beginResult());
    }
    // A second copy may have laid out the file while this one waited for the lock.
    {
        Statement again(db, "SELECT count(*) FROM sqlite_schema");
        if ((result = again.step()) != SQLITE_ROW) {
            return statusOf(result);
        }
        objects = again.number(0);
    }
    if (objects != 0) {
        transaction.commit();
        return prepareSchema(db);
    }
    if ((result = sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr)) != SQLITE_OK) {
        return statusOf(result);
    }
    for (RegistryHandle root = kFirstRoot; root <= kLastRoot; ++root) {
        Statement insert(
            db, "INSERT INTO key (id, parent, name, last_write) VALUES (?1, NULL, ?2, ?3)");
        insert.bind(1, static_cast<std::int64_t>(root - kFirstRoot + 1))
            .bind(2, kRootNames[root - kFirstRoot])
            .bind(3, nowTicks());
        if ((result = insert.step()) != SQLITE_DONE) {
            return statusOf(result);
        }
    }
    const std::string marksSql = "PRAGMA application_id = " + std::to_string(kApplicationId) +
                                 "; PRAGMA user_version = " + std::to_string(kSchemaVersion);
    if ((result = sqlite3_exec(db, marksSql.c_str(), nullptr, nullptr, nullptr)) != SQLITE_OK) {
        return statusOf(result);
    }
    return commitStatus(transaction);
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
    sqlite3* db = connection();
    if (db == nullptr) {
        return kBadDatabase;  // the file cannot be used; it is left as it is
    }
    Transaction transaction(db, kind == Work::kWriting);
    if (!transaction.begun()) {
        return statusOf(transaction.beginResult());
    }
    std::int64_t keyId = 0;
    if (const RegistryStatus status = resolve(db, hKey, accessNeeded, keyId);
        status != kRegistrySuccess) {
        return status;
    }
    // A failed operation is rolled back whole. A reading one is committed too, which only
    // ends it: with nothing written, there is nothing that could fail.
    if (const RegistryStatus status = body(db, keyId); status != kRegistrySuccess) {
        return status;
    }
    return commitStatus(transaction);
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
