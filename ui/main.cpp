// Opens the window on the current folder. Start-up from the stored settings and the
// storing of them at exit are not part of this program yet.
#include <QApplication>

#include "main_form.h"
#include "posix_file_system.h"
#include "qt_dialogs.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tolvane"));

    tolvane::QtDialogs dialogs;
    tolvane::PosixFileSystem listFileSystem;
    tolvane::Main_Form form(dialogs, tolvane::mountedDrives(), listFileSystem);
    dialogs.setParentWindow(&form);
    form.startOn(".");
    return QApplication::exec();
}
