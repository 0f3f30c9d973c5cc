// The window in a process of its own, for the test that must see the program end:
//   ui_program_child ROOT   Exit at the first yield of a run over ROOT/tree, listing into
//                           ROOT/listing.txt, with the settings in ROOT/config.
// Every prompt shown prints a line. Ending at once exits with 0; coming back where the
// program should have ended exits with 3. (The tests run it with QT_QPA_PLATFORM set.)
#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <cstdio>
#include <string>

#include "main_form.h"
#include "registry_sqlite_store.h"
#include "scripted_dialogs.h"

int main(int argc, char* argv[]) {
    if (argc != 2) {
        return 2;
    }
    QApplication application(argc, argv);
    const std::string root = argv[1];
    tolvane::test::ScriptedDialogs dialogs;
    dialogs.whileShown = [] { std::puts("prompt"); };
    tolvane::PosixFileSystem listFileSystem;
    tolvane::SqliteRegistryStore store(root + "/config/registry.sqlite3");
    tolvane::Main_Form form(dialogs, {{"/", "/ [test]"}}, listFileSystem, store);
    form.loadEvent();
    form.Result_Dir->setPath(root + "/tree");
    form.SaveFilename = root + "/listing.txt";
    QMetaObject::invokeMethod(&form, [&form] { form.Function_Exit->trigger(); },
                              Qt::QueuedConnection);
    form.Make_Button->click();
    return 3;
}
