#pragma once

#include <memory>

#include "registry_api.h"

namespace tolvane {

// The registry of the system the program runs on: the real one on Windows, the user's
// store file elsewhere (SqliteRegistryStore::defaultLocation).
std::unique_ptr<RegistryApi> makeSystemRegistry();

// The same registry for a program that only reads it: off Windows a store that does not
// exist yet is not made, and reads as one with no keys.
std::unique_ptr<RegistryApi> makeSystemRegistryForReading();

}  // namespace tolvane
