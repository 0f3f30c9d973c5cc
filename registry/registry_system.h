#pragma once

#include <memory>

#include "registry_api.h"

namespace tolvane {

// The registry of the system the program runs on: the real one on Windows, the user's
// store file elsewhere (SqliteRegistryStore::defaultLocation).
std::unique_ptr<RegistryApi> makeSystemRegistry();

}  // namespace tolvane
