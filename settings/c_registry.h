#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "date_time.h"
#include "registry_api.h"

namespace tolvane {

// One open registry key: open (or create) it by root and path, test, read, write and
// delete its text values, describe it, delete it, close it. Every failure is raised as a
// RaisedError with number 0x80040002, a source "CRegistry:" + the operation and a
// description naming the key or value.
//
// The registry is reached only through the port it is handed, which must outlive it.
class CRegistry {
  public:
    // The number of every error the class raises: the COM interface-error base plus 2.
    static constexpr std::int32_t kErrorNumber = static_cast<std::int32_t>(0x80040002u);
    // Raised by ReadValue for a value of size zero, whose text would have a negative length
    // ("Invalid procedure call or argument" of the program's original platform).
    static constexpr std::int32_t kInvalidArgumentNumber = 5;

    explicit CRegistry(RegistryApi& registry);
    CRegistry(const CRegistry&) = delete;
    CRegistry& operator=(const CRegistry&) = delete;
    ~CRegistry();

    // Closes a key still held, then opens `strKey` below `Section` (a root or a key handle
    // the store accepts); with blnCreateNew, creates it (and the keys above it) when it
    // cannot be opened. A leading "\" is dropped and every "/" becomes "\".
    void OpenKey(RegistryHandle Section, const std::string& strKey, bool blnCreateNew);
    // Closes the key, then deletes it by the root and path it was opened with.
    void DeleteKey();
    // Never raises; does nothing when no key is open.
    void CloseKey();

    std::string ReadValue(const std::string& strValueName);
    // Stores a text value; an empty text is stored as one space.
    void WriteValue(const std::string& strValueName, const std::string& strNewValue);
    // Stores several text values, by the rules of WriteValue, as one change where the store
    // can (the SQLite store): all of them, or none when one fails. The error is that of the
    // value that failed.
    void WriteValues(const std::vector<std::pair<std::string, std::string>>& values);
    void DeleteValue(const std::string& strValueName);

    // The normalised path of the open key; empty while none is open.
    const std::string& CurrentKey() const { return strCurrentKey; }

    // The key information, fetched anew on every read.
    std::string KeyClass();
    // The local time of the key's last write, to the second. Never raises: it falls back
    // to the last time stamp fetched, or to the zero date-time.
    DateTime LastWriteTime();
    std::int32_t NumOfSubKeys();
    std::int32_t MaxSubkeyNameLength();
    std::int32_t MaxClassNameLength();
    std::int32_t NumOfValues();
    std::int32_t MaxValueNameLength();
    std::int32_t MaxValueLength();
    std::int32_t SecurityDescriptor();

    // True when the value can be read, whatever its length. False when the store reports it
    // missing; any other failure of the store raises ReadValue's error, as a store that
    // cannot be read is no proof that a value is absent.
    bool ValueExists(const std::string& strValueName);

  private:
    // The description of a failure with `status`, followed by the store's words for its
    // cause (the file and what is wrong with it) where the store has any.
    std::string failure(RegistryStatus status, const std::string& description);
    // Queries a value into a 255-byte buffer pre-filled with spaces, or into one as large as
    // the store asks for when the value is longer.
    RegistryStatus QueryValue(const std::string& strValueName, std::string& buffer,
                              std::uint32_t& size);
    void RefreshKeyInfo();
    void Class_Terminate();

    RegistryApi& registry_;

    bool KeyOpen = false;
    RegistryHandle KeyHandle = 0;
    RegistryHandle RootKey = 0;
    std::string strCurrentKey;

    std::string strKeyClass;
    std::int32_t lngSubKeys = 0;
    std::int32_t lngMaxSubkeyNameLength = 0;
    std::int32_t lngMaxClassNameLength = 0;
    std::int32_t lngValues = 0;
    std::int32_t lngMaxValueNameLength = 0;
    std::int32_t lngMaxValueLength = 0;
    std::int32_t lngSecurityDescriptor = 0;
    FileTime LastWriteFileTime;
};

}  // namespace tolvane
