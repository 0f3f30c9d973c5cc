// The window in a process of its own, for the tests that must see the program end:
//   ui_program_child exit-during-run ROOT STORE   Exit at the first yield of a run over
//                                                  ROOT/tree, listing into ROOT/listing.txt
//   ui_program_child close-unwritable ROOT STORE  the user's close after a start-up whose
//                                                  store cannot be written
// Every message box is printed as one line, its title, "|", then its text with "|" for
// each line break. Ending at once exits with 0; coming back where the program should have
// ended exits with 3.
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QPushButton>
#include <QtTest/qtestspontaneevent.h>
#include <cstdio>
#include <string>

#include "main_form.h"
#include "posix_file_system.h"
#include "registry_sqlite_store.h"
#include "scripted_dialogs.h"

using namespace tolvane;

namespace {

constexpr int kDidNotEnd = 3;

void printMessage(const test::DialogCall& call) {
    if (call.kind != test::DialogCall::Kind::Message) {
        return;
    }
    std::string text = call.text;
    for (char& c : text) {
        if (c == '\r') {
            c = '|';
        }
    }
    std::printf("%s|%s\n", call.title.c_str(), text.c_str());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: ui_program_child SCENARIO ROOT STORE\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    const std::string scenario = argv[1];
    const std::string root = argv[2];

    test::ScriptedDialogs dialogs;
    dialogs.whileShown = printMessage;
    PosixFileSystem listFileSystem;
    SqliteRegistryStore store(argv[3]);
    Main_Form form(dialogs, {{"/", "/ [test]"}}, listFileSystem, store);
    form.loadEvent();

    if (scenario == "exit-during-run") {
        form.Result_Dir->setPath(root + "/tree");
        form.SaveFilename = root + "/listing.txt";
        QMetaObject::invokeMethod(&form, [&form] { form.Function_Exit->trigger(); },
                                  Qt::QueuedConnection);
        form.Make_Button->click();
        return kDidNotEnd;
    }
    if (scenario == "close-unwritable") {
        // A close as the window system delivers it (close button, window menu, Alt+F4).
        QCloseEvent close;
        QSpontaneKeyEvent::setSpontaneous(&close);
        static_cast<QObject*>(&form)->event(&close);
        return kDidNotEnd;
    }
    std::fprintf(stderr, "unknown scenario\n");
    return 2;
}
