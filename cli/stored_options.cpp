#include "stored_options.h"

#include "application_settings.h"
#include "c_registry.h"
#include "listing_fields.h"

namespace tolvane {

namespace {

// ERROR_FILE_NOT_FOUND: the Windows registry and the SQLite store both answer it for a
// key that does not exist.
constexpr RegistryStatus kNoSuchKey = 2;

// The settings' view of a window that is only a set of listing fields: the check boxes
// mirror the switches and run no handler (nobody is there to be asked for a comment),
// and there are no title, tool tip or lists to fill.
class FieldsAsSettingsWindow : public SettingsWindow {
  public:
    explicit FieldsAsSettingsWindow(ListingFields& fields) : fields_(fields) {}

    bool addComment() const override { return fields_.AddComment; }
    void setAddComment(bool value) override { fields_.AddComment = value; }
    std::string fileComment() const override { return fields_.FileComment; }
    void setFileComment(const std::string& value) override { fields_.FileComment = value; }
    std::string fileFilter() const override { return fields_.FileFilter; }
    void setFileFilter(const std::string& value) override { fields_.FileFilter = value; }
    bool recurseSubdirectories() const override { return fields_.RecurseSubdirectories; }
    void setRecurseSubdirectories(bool value) override { fields_.RecurseSubdirectories = value; }
    std::string saveFilename() const override { return fields_.SaveFilename; }
    void setSaveFilename(const std::string& value) override { fields_.SaveFilename = value; }
    bool useFileFilter() const override { return fields_.UseFileFilter; }
    void setUseFileFilter(bool value) override { fields_.UseFileFilter = value; }

    int checkBoxValue(SettingsCheckBox box) const override {
        switch (box) {
            case SettingsCheckBox::Comment_Check:
                return fields_.AddComment ? 1 : 0;
            case SettingsCheckBox::Filter_Check:
                return fields_.UseFileFilter ? 1 : 0;
            case SettingsCheckBox::Recurse_Check:
                break;
        }
        return fields_.RecurseSubdirectories ? 1 : 0;
    }
    void setCheckBoxValue(SettingsCheckBox, int) override {}

    std::string filterToolTip() const override { return std::string(); }
    void setFilterToolTip(const std::string&) override {}
    void applyWindowTitle() override {}
    std::string drive() const override { return std::string(); }
    void setDrive(const std::string&) override {}
    std::string path() const override { return std::string(); }
    void setPath(const std::string&) override {}

  private:
    ListingFields& fields_;
};

}  // namespace

void readStoredOptions(RegistryApi& registry, ListingFields& fields) {
    RegistryHandle probe = 0;
    const RegistryStatus status = registry.RegOpenKeyExA(kSettingsSection, kSettingsKey, 0,
                                                         registry_access::kQueryValue, &probe);
    if (status == kNoSuchKey) {
        return;
    }
    if (status == kRegistrySuccess) {
        registry.RegCloseKey(probe);
    }
    // A store that cannot be read fails this open too, and it raises. The key is opened
    // for reading only: the command line never creates or writes the settings.
    CRegistry Registry(registry);
    Registry.OpenKey(kSettingsSection, kSettingsKey, false);
    FieldsAsSettingsWindow window(fields);
    readOptionSettings(Registry, window);
}

}  // namespace tolvane
