// The Qt window's run against the engine's (see window_bench.h): the real window, on the
// offscreen platform unless QT_QPA_PLATFORM says otherwise, with a settings store of its
// own in a temporary folder.
#include <QtTest/qtestspontaneevent.h>
#include <stdlib.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "native_file_system.h"
#include "program_end.h"
#include "qt_dialogs.h"
#include "qt_main_form.h"
#include "registry_sqlite_store.h"
#include "window_bench.h"

namespace {

using namespace tolvane;
using namespace tolvane::bench;

// A key as the keyboard gives it: to the control that has the focus.
void typeKey(QtMainForm& window, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QWidget* focused = QApplication::focusWidget();
    QTest::keyClick(focused != nullptr ? focused : &window, key, modifiers);
}

// The press as the user gives it, handled where the window handles its input.
void pressInWindow(QtMainForm& window, Press press) {
    switch (press) {
        case Press::Stop:
            typeKey(window, Qt::Key_S, Qt::AltModifier);
            break;
        case Press::Exit:
            window.Function_Exit->trigger();
            break;
        case Press::Close: {
            QCloseEvent close;  // as the window system delivers the close button's
            QSpontaneKeyEvent::setSpontaneous(&close);
            static_cast<QObject&>(window).event(&close);
            break;
        }
        case Press::None:
            break;
    }
}

}  // namespace

int main(int argc, char** argv) {
    WindowBenchOptions options;
    if (!parseWindowBenchOptions(argc, argv, options)) {
        return windowBenchUsage("qt_window_bench");
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);

    char storeFolder[] = "/tmp/tolvane-window-bench-XXXXXX";
    if (mkdtemp(storeFolder) == nullptr) {
        return 1;
    }
    const std::string storeFile = std::string(storeFolder) + "/registry.sqlite3";
    const auto removeStore = [&] {
        unlink(storeFile.c_str());
        rmdir(storeFolder);
    };

    int status = 0;
    {
        SqliteRegistryStore store(storeFile);
        QtDialogs dialogs;
        NativeFileSystem listFileSystem;
        QtMainForm window(dialogs, mountedDrives(), listFileSystem, store);
        dialogs.setParentWindow(&window);
        QApplication::setFont(window.font());
        window.form().load();
        window.form().setPath(options.folder);
        window.form().SaveFilename = options.output;
        window.form().setYieldPacing(YieldPacing(options.interval));
        QApplication::setActiveWindow(&window);

        PressFromOutside press;
        // Exit and the close button end the program: the time is taken where it would end.
        window.form().setProgramEnd([&] {
            reportPress(options.press, press, Clock::now());
            removeStore();
            endProgramAtOnce(dialogs, 0);
        });

        // What a user watching the status line sees, sampled as the screen would show it.
        int samples = 0;
        int showingAFolder = 0;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (window.form().Running) {
                ++samples;
                showingAFolder +=
                    window.Progress_Label->text().toStdString().rfind(options.folder, 0) == 0;
            }
        });
        watch.start(50);

        QTimer::singleShot(0, [&] {
            if (options.press != Press::None) {
                press.start(options.after, [&window, &press, which = options.press] {
                    QMetaObject::invokeMethod(
                        &window,
                        [&window, &press, which] {
                            press.seen();
                            pressInWindow(window, which);
                        },
                        Qt::QueuedConnection);
                });
            }
            const Clock::time_point start = Clock::now();
            typeKey(window, Qt::Key_M, Qt::AltModifier);
            const Clock::time_point end = Clock::now();
            if (options.press == Press::None) {
                reportRun(listedFiles(options.output), secondsBetween(start, end), samples,
                          showingAFolder);
                status = window.Progress_Label->text().startsWith("Directory contenst") ? 0 : 1;
            } else {
                reportPress(options.press, press, end);
            }
            QApplication::quit();
        });
        QApplication::exec();
    }
    removeStore();
    return status;
}
