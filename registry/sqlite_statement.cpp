#include "sqlite_statement.h"

#include "registry_file_time.h"

namespace tolvane::sqlite_store {

namespace {

thread_local RegistryStatus g_notedStatus = kRegistrySuccess;
thread_local std::string g_notedCause;

// What a failed SQLite call says about the file, then SQLite's own words for it.
std::string causeOf(int sqliteResult) {
    const char* cause = nullptr;
    switch (sqliteResult & 0xff) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            cause = "is held by another program";
            break;
        case SQLITE_NOTADB:
            cause = "is not a settings store";
            break;
        case SQLITE_CORRUPT:
            cause = "is damaged";
            break;
        case SQLITE_READONLY:
        case SQLITE_PERM:
            cause = "may not be written";
            break;
        case SQLITE_FULL:
            cause = "cannot grow: the disk is full";
            break;
        default:
            cause = "cannot be read or written";
            break;
    }
    return std::string(cause) + " (" + sqlite3_errstr(sqliteResult) + ")";
}

}  // namespace

RegistryStatus statusOf(int sqliteResult) {
    switch (sqliteResult & 0xff) {
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            return noteFailure(kBadDatabase, causeOf(sqliteResult));
        default:
            return noteFailure(kIoFailed, causeOf(sqliteResult));
    }
}

RegistryStatus noteFailure(RegistryStatus status, std::string cause) {
    g_notedStatus = status;
    g_notedCause = std::move(cause);
    return status;
}

std::string notedCause(RegistryStatus status) {
    return status == g_notedStatus ? g_notedCause : std::string();
}

std::int64_t nowTicks() {
    return static_cast<std::int64_t>(fileTimeNow().ticks());
}

RegistryStatus commitStatus(Transaction& transaction) {
    const int result = transaction.commit();
    return result == SQLITE_OK ? kRegistrySuccess : statusOf(result);
}

}  // namespace tolvane::sqlite_store
