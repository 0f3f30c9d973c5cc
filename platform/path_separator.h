#pragma once

namespace tolvane {

// The native separator of folder paths. Registry key paths always use "\".
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

}  // namespace tolvane
