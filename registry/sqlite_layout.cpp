// Opening the store's file and checking, or laying out, the tables in it.
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "registry_sqlite_store.h"
#include "sqlite_statement.h"

namespace tolvane {

using namespace sqlite_store;

namespace {

// Marks a file as this store's ("Tolv"), so a database of another program is never taken
// over; user_version numbers the layout below.
constexpr int kApplicationId = 0x546F6C76;
constexpr int kSchemaVersion = 1;

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

sqlite3* SqliteRegistryStore::connection(RegistryStatus& status) {
    status = kRegistrySuccess;
    if (db_ != nullptr) {
        return db_;
    }
    const bool readOnly = use_ == Use::kReadOnly;
    if (readOnly) {
        // Nothing is made for a reader: no store yet is a store with no keys.
        std::error_code missing;
        if (!std::filesystem::exists(location_, missing) && !missing) {
            status = kFileNotFound;
            return nullptr;
        }
    } else {
        // The folder of the default location need not exist yet. Where it cannot be made,
        // the open below fails and reports it.
        std::error_code ignored;
        const std::filesystem::path parent = std::filesystem::path(location_).parent_path();
        if (!parent.empty()) {
            std::filesystem::create_directories(parent, ignored);
        }
    }

    sqlite3* db = nullptr;
    const int flags =
        (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) |
        SQLITE_OPEN_NOMUTEX;
    if (const int result = sqlite3_open_v2(location_.c_str(), &db, flags, nullptr);
        result != SQLITE_OK) {
        const int number = db != nullptr ? sqlite3_system_errno(db) : 0;
        sqlite3_close_v2(db);
        status = noteFailure(
            kBadDatabase, std::string("cannot be opened (") +
                              (number != 0 ? std::strerror(number) : sqlite3_errstr(result)) + ")");
        return nullptr;
    }
    // Another copy of the program may hold the write lock for a moment.
    sqlite3_busy_timeout(db, static_cast<int>(busyTimeout_.count()));
    // FULL: a commit is on the disk when the call returns. The rollback journal (not WAL)
    // keeps the store one self-contained file.
    if (const int result = sqlite3_exec(db, "PRAGMA foreign_keys = ON; PRAGMA synchronous = FULL",
                                        nullptr, nullptr, nullptr);
        result != SQLITE_OK) {
        status = statusOf(result);
    } else {
        status = prepareSchema(db);
    }
    if (status != kRegistrySuccess) {
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
    if (applicationId == kApplicationId) {
        return noteFailure(kBadDatabase, "was laid out by a newer version of the program");
    }
    if (applicationId != 0 || objects != 0) {
        return noteFailure(kBadDatabase, "is another program's database");
    }
    if (use_ == Use::kReadOnly) {
        return kFileNotFound;  // an empty file: laid out by the first writer, never a reader
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

}  // namespace tolvane
