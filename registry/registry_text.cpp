#include "registry_text.h"

#ifdef _WIN32
#include "win32_text.h"
#endif

namespace tolvane {

std::string registryTextFrom(std::string_view text) {
#ifdef _WIN32
    return ansiFromUtf8(text);
#else
    return std::string(text);
#endif
}

std::string textFromRegistry(std::string_view registryText) {
#ifdef _WIN32
    return utf8FromAnsi(registryText);
#else
    return std::string(registryText);
#endif
}

}  // namespace tolvane
