#include "registry_sqlite_store.h"
#include "registry_system.h"

namespace tolvane {

std::unique_ptr<RegistryApi> makeSystemRegistry() {
    return std::make_unique<SqliteRegistryStore>(SqliteRegistryStore::defaultLocation());
}

}  // namespace tolvane
