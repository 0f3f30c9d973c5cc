#pragma once

#include <cstdint>
#include <string>

namespace tolvane {

// A key handle or a predefined root, as the Win32 registry passes it: a 32-bit number.
using RegistryHandle = std::uint32_t;

// What a registry operation returns: 0 for success, anything else for a failure. Most
// numbers are the store's own, but every store reports the two answers of a value query
// that are not failures of the store with their Win32 numbers, so that a value that is not
// there can be told from a store that could not be read (busy, damaged, an I/O error).
using RegistryStatus = std::int32_t;

inline constexpr RegistryStatus kRegistrySuccess = 0;
// ERROR_FILE_NOT_FOUND: no such value (or key).
inline constexpr RegistryStatus kRegistryNotFound = 2;
// ERROR_MORE_DATA: the value is there but larger than the caller's buffer.
inline constexpr RegistryStatus kRegistryMoreData = 234;

// The predefined roots (HKEY_CLASSES_ROOT to HKEY_CURRENT_CONFIG). Each is a tree of its
// own. The Win32 names are macros in <windows.h>, hence names of our own.
namespace registry_root {
inline constexpr RegistryHandle kClassesRoot = 0x80000000u;
inline constexpr RegistryHandle kCurrentUser = 0x80000001u;
inline constexpr RegistryHandle kLocalMachine = 0x80000002u;
inline constexpr RegistryHandle kUsers = 0x80000003u;
inline constexpr RegistryHandle kPerformanceData = 0x80000004u;
inline constexpr RegistryHandle kCurrentConfig = 0x80000005u;
}  // namespace registry_root

// Value types (REG_NONE, REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_MULTI_SZ).
namespace registry_type {
inline constexpr std::uint32_t kNone = 0;
inline constexpr std::uint32_t kText = 1;
inline constexpr std::uint32_t kExpandText = 2;
inline constexpr std::uint32_t kBinary = 3;
inline constexpr std::uint32_t kDword = 4;
inline constexpr std::uint32_t kMultiText = 7;
}  // namespace registry_type

// Access rights (KEY_QUERY_VALUE, KEY_SET_VALUE, READ_CONTROL).
namespace registry_access {
inline constexpr std::uint32_t kQueryValue = 0x0001;
inline constexpr std::uint32_t kSetValue = 0x0002;
inline constexpr std::uint32_t kReadControl = 0x20000;
}  // namespace registry_access

// A time stamp (FILETIME): 100-nanosecond intervals since 1 January 1601, in two
// halves, low first.
struct FileTime {
    std::uint32_t dwLowDateTime = 0;
    std::uint32_t dwHighDateTime = 0;

    std::uint64_t ticks() const {
        return (static_cast<std::uint64_t>(dwHighDateTime) << 32) | dwLowDateTime;
    }
    static FileTime fromTicks(std::uint64_t ticks) {
        return {static_cast<std::uint32_t>(ticks), static_cast<std::uint32_t>(ticks >> 32)};
    }
};

// The calendar fields of a time stamp (SYSTEMTIME).
struct SystemTime {
    std::uint16_t wYear = 0;
    std::uint16_t wMonth = 0;
    std::uint16_t wDayOfWeek = 0;
    std::uint16_t wDay = 0;
    std::uint16_t wHour = 0;
    std::uint16_t wMinute = 0;
    std::uint16_t wSecond = 0;
    std::uint16_t wMilliseconds = 0;
};

// The registry and time functions CRegistry works through, in the shape of their advapi32
// and kernel32 namesakes (8-bit forms). Texts are zero-terminated 8-bit text; a null
// pointer stands where the Win32 call takes NULL. On Windows the real functions stand
// behind it; elsewhere a store of our own. CRegistry never learns which.
//
// Out values are written only on success unless a function says otherwise.
class RegistryApi {
  public:
    virtual ~RegistryApi() = default;

    // Opens the existing key `lpSubKey` below `hKey` (a root or an open handle).
    virtual RegistryStatus RegOpenKeyExA(RegistryHandle hKey, const char* lpSubKey,
                                         std::uint32_t ulOptions, std::uint32_t samDesired,
                                         RegistryHandle* phkResult) = 0;

    // Opens the key, creating it and every missing key along the path first. A key that is
    // created gets `lpClass` (null: none) as its class text. `lpdwDisposition` may be null.
    virtual RegistryStatus RegCreateKeyExA(RegistryHandle hKey, const char* lpSubKey,
                                           std::uint32_t Reserved, const char* lpClass,
                                           std::uint32_t dwOptions, std::uint32_t samDesired,
                                           const void* lpSecurityAttributes,
                                           RegistryHandle* phkResult,
                                           std::uint32_t* lpdwDisposition) = 0;

    virtual RegistryStatus RegCloseKey(RegistryHandle hKey) = 0;

    // Deletes the key `lpSubKey` below `hKey` together with its values.
    virtual RegistryStatus RegDeleteKeyA(RegistryHandle hKey, const char* lpSubKey) = 0;

    // Reads a value into at most *lpcbData bytes of lpData. On success *lpcbData is the
    // number of bytes written, a text's terminating zero included. Data that does not fit
    // is refused with kRegistryMoreData, the buffer left alone and *lpcbData set to the
    // size it would take.
    virtual RegistryStatus RegQueryValueExA(RegistryHandle hKey, const char* lpValueName,
                                            std::uint32_t* lpReserved, std::uint32_t* lpType,
                                            std::uint8_t* lpData, std::uint32_t* lpcbData) = 0;

    // Stores a value. A text (REG_SZ, REG_EXPAND_SZ) is kept with a terminating zero, so
    // its size reads back as cbData + 1 when the caller did not count one.
    virtual RegistryStatus RegSetValueExA(RegistryHandle hKey, const char* lpValueName,
                                          std::uint32_t Reserved, std::uint32_t dwType,
                                          const std::uint8_t* lpData, std::uint32_t cbData) = 0;

    virtual RegistryStatus RegDeleteValueA(RegistryHandle hKey, const char* lpValueName) = 0;

    // Describes the key. On entry *lpcchClass is the size of lpClass in characters; the
    // class text with its terminator must fit, else the call fails and writes nothing.
    // On success *lpcchClass is the class text's length without the terminator.
    virtual RegistryStatus RegQueryInfoKeyA(
        RegistryHandle hKey, char* lpClass, std::uint32_t* lpcchClass, std::uint32_t* lpReserved,
        std::uint32_t* lpcSubKeys, std::uint32_t* lpcbMaxSubKeyLen, std::uint32_t* lpcbMaxClassLen,
        std::uint32_t* lpcValues, std::uint32_t* lpcbMaxValueNameLen,
        std::uint32_t* lpcbMaxValueLen, std::uint32_t* lpcbSecurityDescriptor,
        FileTime* lpftLastWriteTime) = 0;

    // Brackets a series of changes that the store is to make as one: beginChanges, then
    // the changes, then endChanges with `keep` true to store them all, false to store none.
    // A store that cannot hold several changes together (the Windows registry, through the
    // functions used here) makes each change as it comes; its default bracket does nothing
    // and succeeds.
    virtual RegistryStatus beginChanges() { return kRegistrySuccess; }
    virtual RegistryStatus endChanges(bool /*keep*/) { return kRegistrySuccess; }

    // What made the store's last call fail with `status`, in words that name the store
    // (its file, say) and the cause, for the user to act on; empty when the number says it
    // all (a key or value that is not there, a bad argument).
    virtual std::string describeFailure(RegistryStatus /*status*/) { return std::string(); }

    // A UTC time stamp as local time. False when it cannot be converted.
    virtual bool FileTimeToLocalFileTime(const FileTime* lpFileTime, FileTime* lpLocalFileTime) = 0;

    // A time stamp's calendar fields. False (and nothing written) for a time stamp at or
    // beyond 2^63.
    virtual bool FileTimeToSystemTime(const FileTime* lpFileTime, SystemTime* lpSystemTime) = 0;
};

}  // namespace tolvane
