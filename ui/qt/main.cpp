// The program on Linux: Main_Form in its Qt window. It takes no command line and reads no
// environment variable of its own; the settings come from the user's registry store.
#include <QApplication>
#include <memory>

#include "native_file_system.h"
#include "qt_dialogs.h"
#include "qt_main_form.h"
#include "registry_system.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tolvane"));
    // Lets the desktop match the window to the installed tolvane.desktop entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("tolvane"));

    tolvane::QtDialogs dialogs;
    tolvane::NativeFileSystem listFileSystem;
    const std::unique_ptr<tolvane::RegistryApi> registry = tolvane::makeSystemRegistry();
    tolvane::QtMainForm window(dialogs, tolvane::mountedDrives(), listFileSystem, *registry);
    dialogs.setParentWindow(&window);
    // The message boxes and dialogs speak in the window's face, at the size its captions fit.
    QApplication::setFont(window.font());
    window.form().load();
    return QApplication::exec();
}
