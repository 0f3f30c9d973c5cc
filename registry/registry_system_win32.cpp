#include "registry_system.h"
#include "win32_registry.h"

namespace tolvane {

std::unique_ptr<RegistryApi> makeSystemRegistry() {
    return std::make_unique<Win32Registry>();
}

}  // namespace tolvane
