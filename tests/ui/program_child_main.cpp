// The window in a process of its own, for the test that must see the program end:
//   ui_program_child ROOT [full]
// Exit at the first yield of a run over ROOT/tree, listing into ROOT/listing.txt, with the
// settings in ROOT/config; with "full", the disk takes none of the listing's lines.
// Every prompt shown prints a line, with the last message box's title and text.
// Ending at once exits with 0; coming back where the program should have ended exits
// with 3. (The tests run it with QT_QPA_PLATFORM set.)
#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <cerrno>
#include <cstdio>
#include <string>

#include "main_form.h"
#include "output_file_table.h"
#include "registry_sqlite_store.h"
#include "scripted_dialogs.h"
#include "support/failing_output_system.h"

int main(int argc, char* argv[]) {
    if (argc < 2 || argc > 3) {
        return 2;
    }
    QApplication application(argc, argv);
    const std::string root = argv[1];
    static tolvane::testing::FailingOutputSystem fullDisk(
        {{tolvane::testing::FailingOutputSystem::kWrite, 1, ENOSPC}});
    if (argc == 3 && std::string(argv[2]) == "full") {
        tolvane::OutputFileTable::instance().replaceSystem(fullDisk);
    }
    tolvane::test::ScriptedDialogs dialogs;
    dialogs.whileShown = [&dialogs] {
        const auto& shown = dialogs.messages;
        const std::string last = shown.empty() ? "" : shown.back().title + ": " + shown.back().text;
        std::puts(("prompt " + last).c_str());
    };
    tolvane::PosixFileSystem listFileSystem;
    tolvane::SqliteRegistryStore store(root + "/config/registry.sqlite3");
    tolvane::Main_Form form(dialogs, {{"/", "/ [test]"}}, listFileSystem, store);
    form.loadEvent();
    form.Result_Dir->setPath(root + "/tree");
    form.SaveFilename = root + "/listing.txt";
    QMetaObject::invokeMethod(
        &form, [&form] { form.Function_Exit->trigger(); }, Qt::QueuedConnection);
    form.Make_Button->click();
    return 3;
}
