#pragma once

#include <map>
#include <string>

#include "c_registry.h"
#include "registry_api.h"
#include "settings_window.h"

namespace tolvane {

// The program's nine settings: text values under one key of the machine-wide registry,
// read once while the window opens and written all together when the program ends.

inline constexpr RegistryHandle kSettingsSection = registry_root::kLocalMachine;
inline constexpr const char* kSettingsKey = "Software\\Corvalin\\Palimor";

namespace setting_name {
inline constexpr const char* kAddComment = "Add Comment";
inline constexpr const char* kFileComment = "File Comment";
inline constexpr const char* kFileFilter = "File Filter";
inline constexpr const char* kLastDrive = "Last Drive";
inline constexpr const char* kLastPath = "Last Path";
inline constexpr const char* kRecurseSubdirectories = "Recurse Subdirectories";
inline constexpr const char* kSaveFilename = "Save Filename";
inline constexpr const char* kUseFileFilter = "Use File Filter";
inline constexpr const char* kVersion = "Version";
}  // namespace setting_name

// What an absent setting becomes: the root of the system drive, and a listing file in the
// folder the program was started from.
#ifdef _WIN32
inline constexpr const char* kDefaultDrive = "C:\\";
inline constexpr const char* kDefaultPath = "C:\\";
inline constexpr const char* kDefaultSaveFilename = ".\\Tolvane.Txt";
#else
inline constexpr const char* kDefaultDrive = "/";
inline constexpr const char* kDefaultPath = "/";
inline constexpr const char* kDefaultSaveFilename = "./Tolvane.Txt";
#endif

// The settings start-up could not read, each with the text the window held for it when
// reading stopped. A store that failed (busy beyond its timeout, an I/O error, a damaged
// file) still holds the user's values; the window holds only the defaults it started
// with. So Exit writes such a setting only when the window's text for it differs from
// the one noted here, that is, when the user has changed that option since.
class UnreadSettings {
  public:
    // `name` and every setting after it in the load order were not read; each keeps the
    // text the window holds for it now.
    void noteFrom(const char* name, const SettingsWindow& window);
    // Whether Exit leaves `name` as stored: it was not read, and `text` is still the text
    // the window held for it then.
    bool keeps(const std::string& name, const std::string& text) const;

  private:
    std::map<std::string, std::string> heldText_;
};

// Opens the settings key, creating it when it does not exist yet.
void openSettingsKey(CRegistry& Registry);

// Form_Load's settings before its trap: opens the key, then reads "File Comment",
// "Add Comment", "File Filter", "Recurse Subdirectories", "Save Filename" (then the window
// title) and "Use File Filter" into the fields and check boxes. A stored pattern that is
// no file filter (isFileFilter) is kept but leaves the filter switch off. A failure passes
// through after the settings not applied yet have been noted in `unread`.
void loadOptionSettings(CRegistry& Registry, SettingsWindow& window, UnreadSettings& unread);

// The same reads and reactions, from a key the caller has already opened (for reading
// only, say); nothing is opened, created or noted, and the filter switch is taken as
// stored even for a pattern that is no file filter, for the caller to refuse. Errors of
// the registry pass through.
void readOptionSettings(CRegistry& Registry, SettingsWindow& window);

// Form_Load's settings inside its trap: "Last Drive", then "Last Path", handed to the
// drive and folder lists. A drive or folder that cannot be selected raises; so does a
// read that fails, after noting the settings not read in `unread`.
void loadLocationSettings(CRegistry& Registry, SettingsWindow& window, UnreadSettings& unread);

// Function_Exit_Click's save: opens the key, writes the nine values in alphabetical order
// (except those `unread` keeps) as one change and closes it. A failure stops at once; where
// the store can (the SQLite store), it leaves every value as it was.
void saveSettings(CRegistry& Registry, SettingsWindow& window, const UnreadSettings& unread);

// A stored switch: true exactly when the text, trimmed of spaces and upper-cased, is "TRUE".
bool switchValue(const std::string& text);
// How a switch is stored: "True" or "False".
std::string switchText(bool value);

// The filter box's tool tip for a new pattern: the present text up to and including the
// first ":" and the one character after it (a whole UTF-8 character, as characterLength
// counts it), then the pattern. Without a colon only the first character stays. The
// filter prompt and start-up both rebuild the tip by this rule.
std::string filterToolTipFor(const std::string& toolTip, const std::string& pattern);

// The program's version as stored in "Version": major.minor.revision, here "1.30.213".
std::string versionText();

}  // namespace tolvane
