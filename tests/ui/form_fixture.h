#pragma once

#include <gtest/gtest.h>

#include <QApplication>

#include "application_settings.h"
#include "main_form.h"
#include "raised_error.h"
#include "registry_sqlite_store.h"
#include "scripted_dialogs.h"
#include "support/temporary_folder.h"

namespace tolvane::test {

using tolvane::testing::readFile;

// The real file system, except that one folder (and all below it) cannot be read.
class BlockingFileSystem : public PosixFileSystem {
public:
    std::string blocked;

    std::string startEnumeration(const std::string& pattern, std::uint32_t mask) override {
        if (!blocked.empty() && pattern.rfind(blocked + "/", 0) == 0) {
            throw RaisedError(error_number::kPermissionDenied, "test", "Permission denied");
        }
        return PosixFileSystem::startEnumeration(pattern, mask);
    }
};

// A window over a fresh folder tree, with scripted dialogs and a registry store of its
// own in the tree. Its drives are "/" and two folders of the tree standing in for a
// second drive and for one that is gone. Ending the program only counts the ends.
class FormTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* folder : {"drive_b/inner", "tree/sub1", "tree/sub2"}) {
            temp.folder(folder);
        }
        for (const char* file : {"drive_b/b.txt", "tree/top.txt", "tree/sub1/one.txt",
                                 "tree/sub2/two.txt"}) {
            temp.file(file, 1);
        }
        drives = {{"/", "/ [test]"},
                  {root + "/drive_b", root + "/drive_b [test]"},
                  {root + "/gone", root + "/gone [test]"}};
        store = std::make_unique<SqliteRegistryStore>(root + "/config/registry.sqlite3");
        form = newForm();
    }

    // A window as the program makes one, on the fixture's store.
    std::unique_ptr<Main_Form> newForm() {
        auto made = std::make_unique<Main_Form>(dialogs, drives, listFileSystem, *store);
        made->setProgramEnd([this] { ++programEnds; });
        return made;
    }

    // Stores settings as a save at Exit would have left them.
    void storeSettings(const std::vector<std::pair<std::string, std::string>>& values) {
        CRegistry registry(*store);
        openSettingsKey(registry);
        for (const auto& [name, text] : values) {
            registry.WriteValue(name, text);
        }
    }

    // The stored value, or nothing when it is absent.
    std::optional<std::string> storedValue(const std::string& name) {
        CRegistry registry(*store);
        openSettingsKey(registry);
        return registry.ValueExists(name) ? std::optional(registry.ReadValue(name)) : std::nullopt;
    }

    int storedCount() {
        CRegistry registry(*store);
        openSettingsKey(registry);
        return registry.NumOfValues();
    }

    // Starts the window on `folder` of `drive` (stored as the last drive and path) and
    // makes it the active window, so that it can hold the keyboard focus.
    void open(const std::string& folder, const std::string& drive = "/ [test]") {
        storeSettings({{"Last Drive", drive}, {"Last Path", folder}});
        form->loadEvent();
        form->activateWindow();
        QApplication::setActiveWindow(form.get());
        QCoreApplication::processEvents();
    }

    void focus(QWidget* control) {
        control->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
    }

    // The folder list's row that shows `name` (after its indent), or -1.
    int rowOf(const char* name) const {
        return form->Result_Dir->row(form->Result_Dir->findItems(name, Qt::MatchEndsWith).value(0));
    }

    std::vector<std::string> fileNames() const {
        std::vector<std::string> names;
        for (int i = 0; i < form->Result_File->count(); ++i) {
            names.push_back(form->Result_File->item(i)->text().toStdString());
        }
        return names;
    }

    // Declared first, so that it is removed after the window and the store are gone.
    tolvane::testing::TemporaryFolder temp;
    const std::string root = temp.str();
    const std::string tree = root + "/tree";
    std::vector<DriveEntry> drives;
    ScriptedDialogs dialogs;
    BlockingFileSystem listFileSystem;
    std::unique_ptr<SqliteRegistryStore> store;
    int programEnds = 0;
    std::unique_ptr<Main_Form> form;
};

}  // namespace tolvane::test
