#include "registry_sqlite_store.h"
#include "registry_system.h"

namespace tolvane {

std::unique_ptr<RegistryApi> makeSystemRegistry() {
    return std::make_unique<SqliteRegistryStore>(SqliteRegistryStore::defaultLocation());
}

std::unique_ptr<RegistryApi> makeSystemRegistryForReading() {
    return std::make_unique<SqliteRegistryStore>(SqliteRegistryStore::defaultLocation(),
                                                 SqliteRegistryStore::kBusyTimeout,
                                                 SqliteRegistryStore::Use::kReadOnly);
}

}  // namespace tolvane
