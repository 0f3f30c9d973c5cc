#include "registry_system.h"
#include "win32_registry.h"

namespace tolvane {

std::unique_ptr<RegistryApi> makeSystemRegistry() {
    return std::make_unique<Win32Registry>();
}

// Opening a key for reading creates nothing in the Windows registry.
std::unique_ptr<RegistryApi> makeSystemRegistryForReading() {
    return makeSystemRegistry();
}

}  // namespace tolvane
