#pragma once

#include <memory>
#include <string>

#include "registry_api.h"

namespace tolvane::testing {

// A registry of its own for one test, empty at the start: the SQLite store in a
// temporary folder off Windows. The CRegistry and settings tests use only the port, so
// they run unchanged against any registry that stands behind it.
class TestRegistry {
  public:
    TestRegistry();
    ~TestRegistry();
    TestRegistry(const TestRegistry&) = delete;
    TestRegistry& operator=(const TestRegistry&) = delete;

    RegistryApi& api();

  private:
    struct Store;
    std::unique_ptr<Store> store_;
};

}  // namespace tolvane::testing
