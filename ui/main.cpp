// The program: Main_Form is its one window. It takes no command line and reads no
// environment variable of its own; the settings come from the user's registry store.
#include <QApplication>
#include <memory>

#include "main_form.h"
#include "posix_file_system.h"
#include "qt_dialogs.h"
#include "registry_system.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tolvane"));
    // Lets the desktop match the window to the installed tolvane.desktop entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("tolvane"));

    tolvane::QtDialogs dialogs;
    tolvane::PosixFileSystem listFileSystem;
    const std::unique_ptr<tolvane::RegistryApi> registry = tolvane::makeSystemRegistry();
    tolvane::Main_Form form(dialogs, tolvane::mountedDrives(), listFileSystem, *registry);
    dialogs.setParentWindow(&form);
    form.loadEvent();
    return QApplication::exec();
}
