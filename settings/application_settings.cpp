#include "application_settings.h"

#include <algorithm>
#include <optional>

#include "ascii_text.h"
#include "version.h"

namespace tolvane {

namespace {

// A setting is read only when ValueExists says it can be; one that cannot (missing, or
// too long for the read buffer) is absent and takes its default without a word.
std::optional<std::string> readSetting(CRegistry& Registry, const char* name) {
    if (!Registry.ValueExists(name)) {
        return std::nullopt;
    }
    return Registry.ReadValue(name);
}

void setSwitch(SettingsWindow& window, SettingsCheckBox box, bool value) {
    window.setCheckBoxValue(box, value ? 1 : 0);
}

// The length of the UTF-8 character that begins at `lead`, so a cut never splits one.
std::size_t characterLength(unsigned char lead) {
    if (lead >= 0xF0) {
        return 4;
    }
    if (lead >= 0xE0) {
        return 3;
    }
    if (lead >= 0xC0) {
        return 2;
    }
    return 1;
}

}  // namespace

void openSettingsKey(CRegistry& Registry) {
    Registry.OpenKey(kSettingsSection, kSettingsKey, true);
}

void loadOptionSettings(CRegistry& Registry, SettingsWindow& window) {
    // The comment comes first: ticking Comment_Check asks for a comment when it is blank.
    if (const auto comment = readSetting(Registry, setting_name::kFileComment)) {
        window.setFileComment(*comment);
    } else {
        window.setFileComment("");
        window.setAddComment(false);
        setSwitch(window, SettingsCheckBox::Comment_Check, false);
    }

    const auto addCommentText = readSetting(Registry, setting_name::kAddComment);
    const bool addComment = addCommentText && switchValue(*addCommentText);
    window.setAddComment(addComment);
    setSwitch(window, SettingsCheckBox::Comment_Check, addComment);

    if (const auto filter = readSetting(Registry, setting_name::kFileFilter)) {
        window.setFileFilter(*filter);
        window.setFilterToolTip(filterToolTipFor(window.filterToolTip(), *filter));
    } else {
        window.setFileFilter("");
    }

    const auto recurseText = readSetting(Registry, setting_name::kRecurseSubdirectories);
    const bool recurse = recurseText ? switchValue(*recurseText) : true;
    window.setRecurseSubdirectories(recurse);
    setSwitch(window, SettingsCheckBox::Recurse_Check, recurse);

    const auto saveFilename = readSetting(Registry, setting_name::kSaveFilename);
    window.setSaveFilename(saveFilename ? *saveFilename : kDefaultSaveFilename);
    window.applyWindowTitle();

    const auto useFilterText = readSetting(Registry, setting_name::kUseFileFilter);
    const bool useFilter = useFilterText && switchValue(*useFilterText);
    window.setUseFileFilter(useFilter);
    setSwitch(window, SettingsCheckBox::Filter_Check, useFilter);
}

void loadLocationSettings(CRegistry& Registry, SettingsWindow& window) {
    const auto drive = readSetting(Registry, setting_name::kLastDrive);
    window.setDrive(drive ? *drive : kDefaultDrive);
    const auto path = readSetting(Registry, setting_name::kLastPath);
    window.setPath(path ? *path : kDefaultPath);
}

void saveSettings(CRegistry& Registry, SettingsWindow& window) {
    openSettingsKey(Registry);
    Registry.WriteValue(setting_name::kAddComment, switchText(window.addComment()));
    Registry.WriteValue(setting_name::kFileComment, window.fileComment());
    Registry.WriteValue(setting_name::kFileFilter, window.fileFilter());
    Registry.WriteValue(setting_name::kLastDrive, window.drive());
    Registry.WriteValue(setting_name::kLastPath, window.path());
    Registry.WriteValue(setting_name::kRecurseSubdirectories,
                        switchText(window.recurseSubdirectories()));
    Registry.WriteValue(setting_name::kSaveFilename, window.saveFilename());
    Registry.WriteValue(setting_name::kUseFileFilter, switchText(window.useFileFilter()));
    Registry.WriteValue(setting_name::kVersion, versionText());
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
    std::size_t keep = next;
    if (next < toolTip.size()) {
        keep = next + characterLength(static_cast<unsigned char>(toolTip[next]));
    }
    return toolTip.substr(0, std::min(keep, toolTip.size())) + pattern;
}

std::string versionText() {
    return kVersionText;
}

}  // namespace tolvane
