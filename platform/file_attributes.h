#pragma once

#include <cstdint>

namespace tolvane {

// Attribute bits of a file or folder, with the values the listing relies on.
namespace file_attribute {
inline constexpr std::uint32_t kReadOnly = 1;
inline constexpr std::uint32_t kHidden = 2;
inline constexpr std::uint32_t kSystem = 4;
inline constexpr std::uint32_t kFolder = 16;
inline constexpr std::uint32_t kArchive = 32;
}  // namespace file_attribute

// The two enumeration masks the walker uses.
namespace attribute_mask {
// Every entry that is not a folder, hidden and system files included.
inline constexpr std::uint32_t kFiles = file_attribute::kHidden | file_attribute::kSystem;
// Files and folders, hidden and system ones included, "." and ".." too.
inline constexpr std::uint32_t kFilesAndFolders = kFiles | file_attribute::kFolder;
}  // namespace attribute_mask

}  // namespace tolvane
