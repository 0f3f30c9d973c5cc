#include "sqlite_statement.h"

#include "registry_file_time.h"

namespace tolvane::sqlite_store {

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

RegistryStatus commitStatus(Transaction& transaction) {
    const int result = transaction.commit();
    return result == SQLITE_OK ? kRegistrySuccess : statusOf(result);
}

}  // namespace tolvane::sqlite_store
