// The Qt window with real widgets: its size and fonts, access keys, tab order, Enter and
// Space in the lists, Stop by its access key during a run, the reasons for a close, and the
// Qt dialogs. (Main_Form's behaviour itself is proved in tests/form.)
#include <QtTest/qtestspontaneevent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <map>

#include "common_dialog.h"
#include "form_fixture.h"
#include "qt_dialogs.h"
#include "qt_main_form.h"

namespace tolvane::test {
namespace {

// The Qt window over the form fixture's tree and store, opened on its tree and active.
class QtWindowTest : public FormTest {
  protected:
    void SetUp() override {
        FormTest::SetUp();
        storeSettings({{"Last Drive", kSystemDrive}, {"Last Path", tree}});
        window = std::make_unique<QtMainForm>(dialogs, drives, listFileSystem, store);
        window->form().setProgramEnd([this] { ++programEnds; });
        window->form().load();
        QApplication::setActiveWindow(window.get());
        QCoreApplication::processEvents();
    }

    void focus(QWidget* control) {
        control->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
    }

    int rowOf(const std::string& path) const { return FormTest::rowOf(window->form(), path); }

    std::unique_ptr<QtMainForm> window;
};

TEST_F(QtWindowTest, DesignedFixedSizeFontsAccessKeysAndTabOrder) {
    // The client area of 7005 x 4005 twips, at 15 twips to a pixel; the window adds only
    // the menu bar and cannot be resized.
    EXPECT_EQ(window->centralWidget()->size(), QSize(467, 267));
    EXPECT_EQ(window->height(), window->menuBar()->height() + 267);
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_FALSE(window->windowIcon().isNull());
    // The lists inside the bold frame keep the plain dialog font.
    ASSERT_TRUE(window->Result_Frame->font().bold());
    EXPECT_FALSE(window->Result_Drive->font().bold() || window->Result_Dir->font().bold() ||
                 window->Result_File->font().bold());
    // The frame's line runs above the lists, not across them, whatever the style: drawn
    // bare, the frame's first row that is not background, in a list's right-hand column,
    // clear of the title, lies above the list's top.
    QImage bare(window->Result_Frame->size(), QImage::Format_RGB32);
    window->Result_Frame->render(&bare, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    for (QWidget* list :
         {static_cast<QWidget*>(window->Result_Drive), static_cast<QWidget*>(window->Result_Dir),
          static_cast<QWidget*>(window->Result_File)}) {
        const int x = list->geometry().right() - 2;
        int line = 0;
        while (line < bare.height() && bare.pixel(x, line) == bare.pixel(x, 0)) {
            ++line;
        }
        EXPECT_LT(line, list->y()) << list->objectName().toStdString();
        EXPECT_LE(list->geometry().bottom(), window->Result_Frame->height() - 2);
    }
    // The drive list starts with the focus, and shows its mark before any key is pressed:
    // drawn without the focus it looks different.
    ASSERT_EQ(QApplication::focusWidget(), window->Result_Drive);
    const QImage focused = window->Result_Drive->grab().toImage();
    window->Result_Drive->clearFocus();
    EXPECT_FALSE(focused == window->Result_Drive->grab().toImage());
    focus(window->Make_Button);
    ASSERT_TRUE(window->Make_Button->hasFocus()) << "the window did not become active";
    // Alt+D, the frame's access key, hands the focus to the drive list.
    QTest::keyClick(window->Make_Button, Qt::Key_D, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), window->Result_Drive);
    // Tab from the button cycles through the lists, the boxes and back to the button.
    focus(window->Make_Button);
    std::vector<QWidget*> order;
    for (int i = 0; i < 7; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order.push_back(QApplication::focusWidget());
    }
    EXPECT_EQ(order,
              (std::vector<QWidget*>{window->Result_Drive, window->Result_Dir, window->Result_File,
                                     window->Comment_Check, window->Recurse_Check,
                                     window->Filter_Check, window->Make_Button}));
    EXPECT_EQ(window->form().FocusedList, "Result_File");
}

TEST_F(QtWindowTest, AWideFaceShrinksUntilNoCaptionIsClipped) {
    // DejaVu Sans is far wider than the face the captions were measured for: at the
    // designed 8.25 pt "Add comment" loses its last letters.
    QtMainForm wide(dialogs, drives, listFileSystem, store, {QStringLiteral("DejaVu Sans")});
    ASSERT_EQ(QFontInfo(wide.Comment_Check->font()).family(), "DejaVu Sans");
    EXPECT_LT(wide.font().pointSizeF(), 8.25);
    // The frame and the button stay bold and the button the larger.
    EXPECT_TRUE(wide.Result_Frame->font().bold() && wide.Make_Button->font().bold());
    EXPECT_GT(wide.Make_Button->font().pointSizeF(), wide.Comment_Check->font().pointSizeF());
    const auto textWidth = [](const QWidget* widget, const QString& caption) {
        return QFontMetrics(widget->font()).horizontalAdvance(QString(caption).remove('&'));
    };
    for (QCheckBox* box : {wide.Comment_Check, wide.Recurse_Check, wide.Filter_Check}) {
        const int indicator = box->style()->pixelMetric(QStyle::PM_IndicatorWidth) +
                              box->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
        EXPECT_LE(indicator + textWidth(box, box->text()), box->width())
            << box->text().toStdString();
    }
    EXPECT_LT(textWidth(wide.Make_Button, wide.Make_Button->text()), wide.Make_Button->width());
    EXPECT_LT(textWidth(wide.Result_Frame, wide.Result_Frame->title()), wide.Result_Frame->width());
    EXPECT_LE(textWidth(wide.Progress_Label, wide.Progress_Label->text()),
              wide.Progress_Label->width());
}

TEST_F(QtWindowTest, EnterAndSpaceInTheListsAndOnACheckBox) {
    focus(window->Result_Dir);
    // Letters typed in the folder list find a folder by its name, past the indentation,
    // and only highlight it.
    QTest::keyClicks(window->Result_Dir, QStringLiteral("sub2"));
    EXPECT_EQ(window->Result_Dir->currentRow(), rowOf(in("tree/sub2")));
    EXPECT_EQ(window->form().Result_Dir.Path(), tree);
    window->Result_Dir->setCurrentRow(rowOf(in("tree/sub1")));
    QTest::keyClick(window->Result_Dir, Qt::Key_Return);
    EXPECT_EQ(window->form().Result_Dir.Path(), in("tree/sub1"));
    // Space opens the folder and is kept from the list, whose own search would move the
    // highlight to a row beginning with a blank.
    window->Result_Dir->setCurrentRow(rowOf(tree));
    QTest::keyClick(window->Result_Dir, Qt::Key_Space);
    EXPECT_EQ(window->form().Result_Dir.Path(), tree);
    EXPECT_EQ(window->Result_Dir->currentRow(), rowOf(tree));
    // Space on a box ticks it, and the form hears of it.
    focus(window->Filter_Check);
    QTest::keyClick(window->Filter_Check, Qt::Key_Space);
    EXPECT_TRUE(window->form().UseFileFilter && window->Filter_Check->isChecked());
    // Space in the drive list applies the drive picked with the arrow keys.
    focus(window->Result_Drive);
    QTest::keyClick(window->Result_Drive, Qt::Key_Down);
    QTest::keyClick(window->Result_Drive, Qt::Key_Space);
    window->Result_Drive->hidePopup();  // Space also opens the list's drop-down
    EXPECT_EQ(window->Result_File->item(0)->text(), "b.txt");
    // Enter on the button neither opens nor runs anything.
    focus(window->Make_Button);
    QTest::keyClick(window->Make_Button, Qt::Key_Return);
    EXPECT_EQ(window->Progress_Label->text(), "");
    EXPECT_EQ(dialogs.prompts(), 0u);
}

// Alt+S is the Stop button's and the Setup menu's; the menu is disabled while a run is
// under way, so the key must stop the run, not merely move the focus to the button. The
// access keys press the button at once, as on Windows. Then the status line.
TEST_F(QtWindowTest, TheStopButtonsAccessKeyStopsARun) {
    window->form().SaveFilename = in("listing.txt");
    bool stoppedAtOnce = false;
    QMetaObject::invokeMethod(
        window.get(),
        [&] {
            EXPECT_FALSE(window->Setup_Menu->menuAction()->isEnabled());
            EXPECT_EQ(window->Make_Button->text(), "&Stop");
            QTest::keyClick(window.get(), Qt::Key_S, Qt::AltModifier);
            stoppedAtOnce = window->form().StopRequested && !window->form().Running;
        },
        Qt::QueuedConnection);
    // Alt+M starts the run at once, not after the button's pressed look has been shown.
    QTest::keyClick(window.get(), Qt::Key_M, Qt::AltModifier);
    EXPECT_TRUE(stoppedAtOnce);
    EXPECT_EQ(window->Progress_Label->text(), "Aborted");
    EXPECT_TRUE(window->Setup_Menu->menuAction()->isEnabled());
    // Measured in the label's own font, a long path loses its middle, not its end.
    const QString name = QStringLiteral("/inventory of the photos.txt");
    window->setCaption(Control::Progress_Label,
                       "Stored in: /" + std::string(300, 'd') + name.toStdString());
    const QString shown = window->Progress_Label->text();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("Stored in: /ddd")) &&
                shown.endsWith(QStringLiteral("ddd...") + name))
        << shown.toStdString();
    EXPECT_LE(QFontMetrics(window->Progress_Label->font()).horizontalAdvance(shown),
              window->Progress_Label->contentsRect().width());
}

TEST_F(QtWindowTest, OnlyTheUsersCloseStoresTheSettings) {
    window->close();  // from program code
    EXPECT_EQ(programEnds, 0);
    EXPECT_EQ(settings().NumOfValues(), 2);
    // A close as the window system delivers it (close button, window menu, Alt+F4).
    QCloseEvent close;
    QSpontaneKeyEvent::setSpontaneous(&close);
    static_cast<QObject*>(window.get())->event(&close);
    EXPECT_EQ(programEnds, 1);
    EXPECT_EQ(settings().NumOfValues(), 9);
}

TEST(QtDialogsTest, LineBreaksNameFiltersAndAnAnsweredPrompt) {
    EXPECT_EQ(qtMessageText("one\rtwo\r\rfour\r\nfive"), QStringLiteral("one\ntwo\n\nfour\nfive"));
    EXPECT_EQ(qtNameFilters("TXT file (*.txt)|*.txt|All files (*.*)|*.*"),
              (QStringList{QStringLiteral("TXT file (*.txt)"), QStringLiteral("All files (*)")}));
    EXPECT_EQ(qtNameFilters("Lists|*.txt;*.tsv"),
              QStringList{QStringLiteral("Lists (*.txt *.tsv)")});
    EXPECT_TRUE(qtNameFilters("").isEmpty());
    // The input box proposes its default text; the user types over it and presses Enter,
    // then cancels a second one with Escape.
    QtDialogs dialogs;
    const auto answer = [](Qt::Key key, const char* typed) {
        QTimer::singleShot(0, [key, typed] {
            QWidget* box = QApplication::activeModalWidget();
            ASSERT_NE(box, nullptr);
            if (*typed != 0) {
                QTest::keyClick(box->focusWidget(), Qt::Key_A, Qt::ControlModifier);
                QTest::keyClicks(box->focusWidget(), typed);
            }
            QTest::keyClick(box->focusWidget(), key);
        });
    };
    answer(Qt::Key_Return, "*.txt");
    EXPECT_EQ(dialogs.inputBox("Enter filter:", "File filter", "old"), "*.txt");
    answer(Qt::Key_Escape, "");
    EXPECT_EQ(dialogs.inputBox("Enter filter:", "File filter", "old"), "");
    // A box leaves room in its title bar for the whole title and the window manager's
    // buttons, and a short title keeps a short box small.
    std::map<QString, int> widths;
    for (const char* title : {"Error in Make_Button_Click", "About"}) {
        QTimer::singleShot(0, [&widths] {
            QWidget* box = QApplication::activeModalWidget();
            ASSERT_NE(box, nullptr);
            widths[box->windowTitle()] = box->width();
            QTest::keyClick(box, Qt::Key_Return);
        });
        dialogs.messageBox("No", Dialogs::kExclamation, title);
    }
    QFont bold = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    bold.setBold(true);
    const QString title = QStringLiteral("Error in Make_Button_Click");
    EXPECT_GE(widths[title], QFontMetrics(bold).horizontalAdvance(title) + 100);
    EXPECT_LT(widths[QStringLiteral("About")], widths[title]);
}

// The save dialog takes a typed name with double quotes as typed, refuses one in a folder
// that does not exist, and never reads or blocks on the files it shows: a FIFO with no writer
// blocks whoever opens it; a file without an extension holding a PNG signature is a PNG only to
// whoever reads it. The name is typed in the folder the dialog opens in: a typed path makes the
// dialog go to each folder on the way once it has read the one above, which in a full /tmp can come
// while the rest is being typed.
TEST(QtDialogsTest, SaveDialogTakesATypedNameAsTypedAndNeverReadsTheFilesItShows) {
    tolvane::testing::TemporaryFolder temp;
    std::string typed = "say \"hi\" tab.txt";
    const auto typeName = [&typed] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        auto* const name = box->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->clear();
        QTest::keyClicks(name, QString::fromStdString(typed));
        QTest::keyClick(name, Qt::Key_Return);
        // A dialog that did not take the name (or asked something) must not stay open.
        while (QWidget* open = QApplication::activeModalWidget()) {
            ADD_FAILURE() << "still open: " << open->metaObject()->className();
            open->close();
        }
    };
    QTimer::singleShot(0, typeName);
    SaveDialogSettings settings;
    settings.InitDir = temp.str();
    settings.Flags = dialog_flag::kOverwritePrompt;
    EXPECT_EQ(QtDialogs().showSave(settings), std::optional(temp.str() + "/" + typed));
    // A name without an extension takes that of the entry shown, none under "All files".
    settings.Filter = "TXT file (*.txt)|*.txt|Spreadsheet (*.xlsx)|*.xlsx|All files (*.*)|*.*";
    for (const auto& [index, name] : {std::pair{2, "inventory.xlsx"}, std::pair{3, "inventory"}}) {
        settings.FilterIndex = index;
        typed = "inventory";
        QTimer::singleShot(0, typeName);
        EXPECT_EQ(QtDialogs().showSave(settings), std::optional(temp.str() + "/" + name));
    }

    // A name in a folder that does not exist is refused, and the dialog takes the next one.
    settings.Flags = dialog_flag::kOverwritePrompt | dialog_flag::kPathMustExist;
    QString refusal;
    QTimer answer;  // answers the refusal's box once it is shown
    QObject::connect(&answer, &QTimer::timeout, [&refusal] {
        if (auto* const box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            refusal = box->text();
            box->close();
        }
    });
    answer.start(10);
    QTimer::singleShot(0, [] {
        QWidget* const dialog = QApplication::activeModalWidget();
        auto* const name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        for (const char* typed : {"missing/list.txt", "list.txt"}) {
            name->setText(QString::fromLatin1(typed));
            QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);  // Save
        }
    });
    ::alarm(60);
    EXPECT_EQ(QtDialogs().showSave(settings), std::optional(temp.str() + "/list.txt"));
    ::alarm(0);
    EXPECT_EQ(refusal.toStdString(),
              temp.str() + "/missing\nThe folder does not exist. Check the name and try again.");

    const QString pipe = QString::fromStdString(temp.str() + "/pipe");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString picture = QString::fromStdString(temp.str() + "/picture");
    {
        QFile file(picture);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(QByteArray("\x89PNG\r\n\x1a\n", 8)), 8);
    }
    const QString png = QMimeDatabase().mimeTypeForName(QStringLiteral("image/png")).comment();
    ASSERT_EQ(QMimeDatabase().mimeTypeForFile(picture).comment(), png);
    QTimer::singleShot(0, [&] {
        auto* const dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        QTest::qWait(300);  // the dialog lists the folder
        const QAbstractFileIconProvider* icons = dialog->iconProvider();
        ASSERT_NE(icons, nullptr);
        EXPECT_NE(icons->type(QFileInfo(picture)).toStdString(), png.toStdString());
        icons->icon(QFileInfo(pipe));
        icons->type(QFileInfo(pipe));
        dialog->reject();
    });
    // A dialog that blocks ends the test by the alarm instead of stalling it.
    ::alarm(60);
    EXPECT_EQ(QtDialogs().showSave(settings), std::nullopt);
    ::alarm(0);
}

}  // namespace
}  // namespace tolvane::test
