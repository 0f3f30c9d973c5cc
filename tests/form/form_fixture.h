#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <optional>

#include "application_settings.h"
#include "common_dialog.h"
#include "dialogs.h"
#include "form_view.h"
#include "main_form.h"
#include "native_file_system.h"
#include "path_separator.h"
#include "raised_error.h"
#include "settings/test_registry.h"
#include "support/test_support.h"

namespace tolvane::test {

// The window's tests walk on one thread: a folder they remove behind the window's back
// must not be held open by a thread reading ahead (Windows refuses to remove it then).
inline const WalkOptions kOneThread{0};

using tolvane::testing::readFile;
using Names = std::vector<std::string>;

// The window as Main_Form sets it, with no toolkit: every text, state and row kept for
// the tests to read. A yield runs the next scripted user action, if any.
class ScriptedView : public FormView {
  public:
    std::string title = "Make directory contents file";
    std::map<Control, std::string> captions;
    std::map<Control, bool> enabled;
    std::map<Control, bool> checks;
    std::map<Control, std::string> tips;
    std::map<Control, std::vector<ListRow>> rows;
    std::map<Control, int> highlights;
    int shows = 0;
    int yields = 0;
    bool busy = false;
    // The user's input arriving meanwhile: each yield runs the next one, if any.
    std::deque<std::function<void()>> atYield;

    bool isEnabled(Control control) const {
        const auto found = enabled.find(control);
        return found == enabled.end() || found->second;
    }

    void setTitle(const std::string& text) override { title = text; }
    void setCaption(Control control, const std::string& caption) override {
        captions[control] = caption;
    }
    void setEnabled(Control control, bool on) override { enabled[control] = on; }
    void setCheck(Control box, bool ticked) override { checks[box] = ticked; }
    void setToolTip(Control control, const std::string& tip) override { tips[control] = tip; }
    void setRows(Control list, const std::vector<ListRow>& listRows) override {
        rows[list] = listRows;
        highlights[list] = -1;
    }
    void setHighlight(Control list, int row) override { highlights[list] = row; }
    void show() override { ++shows; }
    void setBusy(bool on) override { busy = on; }
    void yield() override {
        ++yields;
        if (!atYield.empty()) {
            const std::function<void()> action = std::move(atYield.front());
            atYield.pop_front();
            action();
        }
    }
};

struct Message {
    std::string text;
    std::string title;
    int style = 0;
};

// Records every prompt. Input boxes, save dialogs and retry boxes take the next scripted
// answer in turn, and Cancel when the script has run out.
class ScriptedDialogs : public Dialogs {
  public:
    std::vector<Message> messages;
    std::vector<std::string> inputDefaults;  // the text each input box proposed
    std::vector<SaveDialogSettings> saves;
    std::deque<std::string> answers;
    int beeps = 0;
    std::function<void()> whileShown = [] {};  // looks at the window while a prompt is shown

    std::size_t prompts() const { return messages.size() + inputDefaults.size() + saves.size(); }

    void messageBox(const std::string& text, int style, const std::string& title) override {
        messages.push_back({text, title, style});
        whileShown();
    }

    bool retryBox(const std::string& text, const std::string& title) override {
        messages.push_back({text, title, kExclamation});
        return answer() == "Retry";
    }

    std::string inputBox(const std::string&, const std::string&,
                         const std::string& defaultText) override {
        inputDefaults.push_back(defaultText);
        return answer().value_or("");
    }

    std::optional<std::string> showSave(const SaveDialogSettings& settings) override {
        saves.push_back(settings);
        return answer();
    }

    void beep() override { ++beeps; }

  private:
    std::optional<std::string> answer() {
        whileShown();
        if (answers.empty()) {
            return std::nullopt;
        }
        std::string text = answers.front();
        answers.pop_front();
        return text;
    }
};

// The system's own file system, except that one folder (and all below it) cannot be read.
class BlockingFileSystem : public NativeFileSystem {
  public:
    std::string blocked;

    std::string startEnumeration(const std::string& pattern, std::uint32_t mask) override {
        if (!blocked.empty() && pattern.rfind(blocked + kPathSeparator, 0) == 0) {
            throw RaisedError(error_number::kPermissionDenied, "test", "Permission denied");
        }
        return NativeFileSystem::startEnumeration(pattern, mask);
    }
};

#ifdef _WIN32
inline const std::string kSystemDrive = "c: [test]";
#else
inline const std::string kSystemDrive = "/ [test]";
#endif

// Main_Form over a fresh folder tree, shown by a scripted view, with scripted dialogs and a
// registry store of its own. Its drives are the system's root and two folders of the tree
// standing in for a second drive and for one that is gone. Ending the program only counts
// the ends.
class FormTest : public ::testing::Test {
  protected:
    void SetUp() override {
        temp.folder("drive_b/inner");
        for (const char* file :
             {"drive_b/b.txt", "tree/top.txt", "tree/sub1/one.txt", "tree/sub2/two.txt"}) {
            temp.file(file, 1);
        }
        drives = {{kDefaultDrive, kSystemDrive},
                  {in("drive_b"), in("drive_b") + " [test]"},
                  {in("gone"), in("gone") + " [test]"}};
        form = newForm();
    }

    // The native path of `relative` (spelt with "/") in the tree.
    std::string in(std::string relative) const {
        std::replace(relative.begin(), relative.end(), '/', kPathSeparator);
        return root + kPathSeparator + relative;
    }

    // A window as the program makes one, on the fixture's store.
    std::unique_ptr<Main_Form> newForm() {
        view = ScriptedView();
        auto made = std::make_unique<Main_Form>(
            Main_Form::Services{view, dialogs, drives, listFileSystem, store, kOneThread});
        made->setProgramEnd([this] { ++programEnds; });
        made->setYieldPacing(YieldPacing(std::chrono::nanoseconds(0)));
        return made;
    }

    // The fixture's store with the settings key open (made if missing).
    CRegistry& settings() {
        openSettingsKey(registry);
        return registry;
    }

    // Stores settings as a save at Exit would have left them.
    void storeSettings(const std::vector<std::pair<std::string, std::string>>& values) {
        for (const auto& [name, text] : values) {
            settings().WriteValue(name, text);
        }
    }

    // Starts the window on `folder` of `drive` (stored as the last drive and path).
    void open(const std::string& folder, const std::string& drive = kSystemDrive) {
        storeSettings({{"Last Drive", drive}, {"Last Path", folder}});
        form->load();
    }

    // The row of the folder `path` in `window`'s folder list, or -1.
    static int rowOf(const Main_Form& window, const std::string& path) {
        for (int i = 0; i < window.Result_Dir.ListCount(); ++i) {
            if (window.Result_Dir.List(i) == path) {
                return i;
            }
        }
        return -1;
    }
    int rowOf(const std::string& path) const { return rowOf(*form, path); }

    Names fileNames() const {
        Names names;
        for (const ListRow& row : view.rows.at(Control::Result_File)) {
            names.push_back(row.text);
        }
        return names;
    }

    // A key as the user presses it on the control that has the focus.
    void press(std::int16_t key) { form->keyPreview(key); }

    // Declared first, so that it is removed after the window and the store are gone.
    tolvane::testing::TemporaryFolder temp;
    const std::string root = temp.str();
    const std::string tree = in("tree");
    std::vector<DriveEntry> drives;
    ScriptedView view;
    ScriptedDialogs dialogs;
    BlockingFileSystem listFileSystem;
    tolvane::testing::TestRegistry store;
    CRegistry registry{store};
    int programEnds = 0;
    std::unique_ptr<Main_Form> form;
};

}  // namespace tolvane::test
