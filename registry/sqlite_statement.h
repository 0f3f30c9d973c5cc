#pragma once

// What the SQLite registry store is built from: its status codes, the roots it keeps, and
// the statement and transaction helpers every operation and the layout check use.

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "registry_api.h"

namespace tolvane::sqlite_store {

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

constexpr RegistryHandle kFirstRoot = registry_root::kClassesRoot;
constexpr RegistryHandle kLastRoot = registry_root::kCurrentConfig;

// The store's status for a failed SQLite call: a damaged or foreign file, or an I/O error.
// The call's cause is noted in words (see noteFailure).
RegistryStatus statusOf(int sqliteResult);

// Notes `cause`, a predicate about the store's file ("is held by another program"), as
// what made the call under way fail with `status`, and returns `status`. The note is kept
// per thread, as a store is used from one, until the next failure replaces it.
RegistryStatus noteFailure(RegistryStatus status, std::string cause);

// The cause noted for the last failure, if it failed with `status`; empty otherwise.
std::string notedCause(RegistryStatus status);

// Now, as the ticks of a FILETIME.
std::int64_t nowTicks();

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

// Commits, giving the store's status for the outcome.
RegistryStatus commitStatus(Transaction& transaction);

}  // namespace tolvane::sqlite_store
