#include "registry_sqlite_store.h"
#include "support/temporary_folder.h"
#include "test_registry.h"

namespace tolvane::testing {

struct TestRegistry::Store {
    TemporaryFolder folder;
    SqliteRegistryStore store{(folder.path() / "registry.sqlite3").string()};
};

TestRegistry::TestRegistry() : store_(std::make_unique<Store>()) {}
TestRegistry::~TestRegistry() = default;

RegistryApi& TestRegistry::api() {
    return store_->store;
}

}  // namespace tolvane::testing
