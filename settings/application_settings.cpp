#include "application_settings.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <utility>
#include <vector>

#include "ascii_text.h"
#include "text_characters.h"
#include "version.h"
#include "wildcard.h"

namespace tolvane {

namespace {

using namespace setting_name;

constexpr const char* kLoadOrder[] = {
    kFileComment,  kAddComment,    kFileFilter, kRecurseSubdirectories,
    kSaveFilename, kUseFileFilter, kLastDrive,  kLastPath};
constexpr const char* kSaveOrder[] = {kAddComment,   kFileComment,   kFileFilter,
                                      kLastDrive,    kLastPath,      kRecurseSubdirectories,
                                      kSaveFilename, kUseFileFilter, kVersion};

// The text a save stores for `name`, from the window as it is now.
std::string textToStore(const SettingsWindow& window, const std::string& name) {
    if (name == kAddComment) {
        return switchText(window.addComment());
    }
    if (name == kFileComment) {
        return window.fileComment();
    }
    if (name == kFileFilter) {
        return window.fileFilter();
    }
    if (name == kLastDrive) {
        return window.drive();
    }
    if (name == kLastPath) {
        return window.path();
    }
    if (name == kRecurseSubdirectories) {
        return switchText(window.recurseSubdirectories());
    }
    if (name == kSaveFilename) {
        return window.saveFilename();
    }
    if (name == kUseFileFilter) {
        return switchText(window.useFileFilter());
    }
    return versionText();
}

// A setting is read only when ValueExists says it can be; one that cannot (missing, or
// too long for the read buffer) is absent and takes its default without a word. A store
// that fails raises instead.
std::optional<std::string> readSetting(CRegistry& Registry, const char* name) {
    if (!Registry.ValueExists(name)) {
        return std::nullopt;
    }
    return Registry.ReadValue(name);
}

void setSwitch(SettingsWindow& window, SettingsCheckBox box, bool value) {
    window.setCheckBoxValue(box, value ? 1 : 0);
}

// One load of settings from the open key. It remembers the setting it was last asked
// for, so that a load that stops can note that one and every later one as unread.
class SettingsLoad {
  public:
    explicit SettingsLoad(CRegistry& Registry) : Registry_(Registry) {}

    std::optional<std::string> read(const char* name) {
        reading_ = name;
        return readSetting(Registry_, name);
    }
    const char* reading() const { return reading_; }

  private:
    CRegistry& Registry_;
    const char* reading_ = kLoadOrder[0];
};

// What becomes of a stored pattern that is no file filter (a registry editor can store
// anything): the window keeps it in the field, for the user to see and mend, but never
// applies it; a reader that asked for the stored options gets the switch as stored, and
// refuses the pattern itself.
enum class UnusableFilter { kSwitchOff, kAsStored };

// loadOptionSettings once the key is open.
void applyOptionSettings(SettingsLoad& load, SettingsWindow& window, UnusableFilter unusable) {
    // The comment comes first: ticking Comment_Check asks for a comment when it is blank.
    if (const auto comment = load.read(setting_name::kFileComment)) {
        window.setFileComment(*comment);
    } else {
        window.setFileComment("");
        window.setAddComment(false);
        setSwitch(window, SettingsCheckBox::Comment_Check, false);
    }

    const auto addCommentText = load.read(setting_name::kAddComment);
    const bool addComment = addCommentText && switchValue(*addCommentText);
    window.setAddComment(addComment);
    setSwitch(window, SettingsCheckBox::Comment_Check, addComment);

    bool filterUsable = true;
    if (const auto filter = load.read(setting_name::kFileFilter)) {
        window.setFileFilter(*filter);
        window.setFilterToolTip(filterToolTipFor(window.filterToolTip(), *filter));
        filterUsable = isFileFilter(*filter) || unusable == UnusableFilter::kAsStored;
    } else {
        window.setFileFilter("");
    }

    const auto recurseText = load.read(setting_name::kRecurseSubdirectories);
    const bool recurse = recurseText ? switchValue(*recurseText) : true;
    window.setRecurseSubdirectories(recurse);
    setSwitch(window, SettingsCheckBox::Recurse_Check, recurse);

    const auto saveFilename = load.read(setting_name::kSaveFilename);
    window.setSaveFilename(saveFilename ? *saveFilename : kDefaultSaveFilename);
    window.applyWindowTitle();

    const auto useFilterText = load.read(setting_name::kUseFileFilter);
    const bool useFilter = useFilterText && switchValue(*useFilterText) && filterUsable;
    window.setUseFileFilter(useFilter);
    setSwitch(window, SettingsCheckBox::Filter_Check, useFilter);
}

}  // namespace

void UnreadSettings::noteFrom(const char* name, const SettingsWindow& window) {
    const auto* first =
        std::find_if(std::begin(kLoadOrder), std::end(kLoadOrder),
                     [name](const char* each) { return std::string(each) == name; });
    for (const auto* each = first; each != std::end(kLoadOrder); ++each) {
        heldText_[*each] = textToStore(window, *each);
    }
}

bool UnreadSettings::keeps(const std::string& name, const std::string& text) const {
    const auto found = heldText_.find(name);
    return found != heldText_.end() && found->second == text;
}

void openSettingsKey(CRegistry& Registry) {
    Registry.OpenKey(kSettingsSection, kSettingsKey, true);
}

void loadOptionSettings(CRegistry& Registry, SettingsWindow& window, UnreadSettings& unread) {
    SettingsLoad load(Registry);
    try {
        openSettingsKey(Registry);
        applyOptionSettings(load, window, UnusableFilter::kSwitchOff);
    } catch (...) {
        // Whatever stopped the load (the key, a read, a reaction to a value), the setting
        // being read or applied counts as unread, and so does every later one, as none of
        // them was taken from the store.
        unread.noteFrom(load.reading(), window);
        throw;
    }
}

void readOptionSettings(CRegistry& Registry, SettingsWindow& window) {
    SettingsLoad load(Registry);
    applyOptionSettings(load, window, UnusableFilter::kAsStored);
}

void loadLocationSettings(CRegistry& Registry, SettingsWindow& window, UnreadSettings& unread) {
    // Only a failed read is noted. A drive or folder that was read but cannot be selected
    // any more is stale: Exit replaces it, and the folder that went with it, by what the
    // lists show then.
    const auto read = [&](const char* name) {
        try {
            return readSetting(Registry, name);
        } catch (...) {
            unread.noteFrom(name, window);
            throw;
        }
    };
    const auto drive = read(setting_name::kLastDrive);
    window.setDrive(drive ? *drive : kDefaultDrive);
    const auto path = read(setting_name::kLastPath);
    window.setPath(path ? *path : kDefaultPath);
}

void saveSettings(CRegistry& Registry, SettingsWindow& window, const UnreadSettings& unread) {
    openSettingsKey(Registry);
    std::vector<std::pair<std::string, std::string>> values;
    for (const char* name : kSaveOrder) {
        std::string text = textToStore(window, name);
        if (!unread.keeps(name, text)) {
            values.emplace_back(name, std::move(text));
        }
    }
    // One change: a save cut short (a failure, the program killed) leaves the settings
    // as they were, never some old and some new; one commit instead of nine also keeps
    // Exit quick.
    Registry.WriteValues(values);
    Registry.CloseKey();
}

bool switchValue(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return false;
    }
    const std::size_t last = text.find_last_not_of(' ');
    return asciiUpper(std::string_view(text).substr(first, last - first + 1)) == "TRUE";
}

std::string switchText(bool value) {
    return value ? "True" : "False";
}

std::string filterToolTipFor(const std::string& toolTip, const std::string& pattern) {
    const std::size_t colon = toolTip.find(':');
    // With no colon the cut falls after the first character, as if the colon stood
    // just before the text.
    const std::size_t next = colon == std::string::npos ? 0 : colon + 1;
    const std::size_t keep = next + characterLength(std::string_view(toolTip).substr(next));
    return toolTip.substr(0, keep) + pattern;
}

std::string versionText() {
    return kVersionText;
}

}  // namespace tolvane
