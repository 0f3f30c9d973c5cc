#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <utility>
#include <string>
#include <vector>

#include "application_settings.h"
#include "c_registry.h"
#include "folder_path.h"
#include "main_form.h"
#include "posix_file_system.h"
#include "raised_error.h"
#include "registry_sqlite_store.h"
#include "scripted_dialogs.h"

namespace tolvane::test {

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
        char pattern[] = "/tmp/tolvane-ui-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root = pattern;
        std::filesystem::create_directories(root + "/drive_b/inner");
        writeFile("drive_b/b.txt");
        std::filesystem::create_directories(root + "/tree/sub1");
        std::filesystem::create_directories(root + "/tree/sub2");
        writeFile("tree/top.txt");
        writeFile("tree/sub1/one.txt");
        writeFile("tree/sub2/two.txt");

        drives = {
            {"/", "/ [test]"},
            {root + "/drive_b", root + "/drive_b [test]"},
            {root + "/gone", root + "/gone [test]"},
        };
        store = std::make_unique<SqliteRegistryStore>(root + "/config/registry.sqlite3");
        form = newForm();
    }

    void TearDown() override {
        form.reset();
        store.reset();
        std::filesystem::remove_all(root);
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
        registry.CloseKey();
    }

    // The stored value, or nothing when it is absent.
    std::optional<std::string> storedValue(const std::string& name) {
        CRegistry registry(*store);
        openSettingsKey(registry);
        std::optional<std::string> text;
        if (registry.ValueExists(name)) {
            text = registry.ReadValue(name);
        }
        registry.CloseKey();
        return text;
    }

    void writeFile(const std::string& relative, const std::string& text = "x") {
        std::ofstream(root + "/" + relative) << text;
    }

    // Starts the window on `folder` (stored as the last drive and path) and makes it the
    // active window, so that it can hold the keyboard focus.
    void open(const std::string& folder) {
        const int drive = driveIndexOf(drives, absoluteFolderPath(folder));
        storeSettings({{"Last Drive", drives[static_cast<std::size_t>(drive)].text},
                       {"Last Path", folder}});
        form->loadEvent();
        form->activateWindow();
        QApplication::setActiveWindow(form.get());
        QCoreApplication::processEvents();
    }

    void focus(QWidget* control) {
        control->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
    }

    int rowOf(const std::string& path) const {
        for (int i = 0; i < form->Result_Dir->ListCount(); ++i) {
            if (form->Result_Dir->List(i) == path) {
                return i;
            }
        }
        return -1;
    }

    std::vector<std::string> fileNames() const {
        std::vector<std::string> names;
        for (int i = 0; i < form->Result_File->count(); ++i) {
            names.push_back(form->Result_File->item(i)->text().toStdString());
        }
        return names;
    }

    std::string root;
    std::vector<DriveEntry> drives;
    ScriptedDialogs dialogs;
    BlockingFileSystem listFileSystem;
    std::unique_ptr<SqliteRegistryStore> store;
    int programEnds = 0;
    std::unique_ptr<Main_Form> form;
};

}  // namespace tolvane::test
