#include "main_form.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcutEvent>

#include <algorithm>
#include <utility>

#include "dialogs.h"
#include "last_resort.h"
#include "output_file_table.h"
#include "path_separator.h"
#include "program_end.h"
#include "twips.h"
#include "window_icon.h"

namespace tolvane {

namespace {

// The client area, in twips.
constexpr int kClientWidth = 7005;
constexpr int kClientHeight = 4005;

// MS Sans Serif of the original layout. The captions were measured for its narrow
// letters, so the faces of Helvetica's width come first; any sans-serif face is the last
// resort.
QFont sansSerif(qreal points, bool bold) {
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Nimbus Sans"), QStringLiteral("Helvetica"),
                      QStringLiteral("Sans Serif")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

}  // namespace

Main_Form::Main_Form(Dialogs& dialogs, std::vector<DriveEntry> drives, FileSystem& listFileSystem,
                     RegistryApi& registryStore, QWidget* parent)
    : QMainWindow(parent),
      Filename_Dialog(dialogs),
      dialogs_(dialogs),
      listFileSystem_(listFileSystem),
      dateText_(DateTimeText::fromUserSettings()),
      run_(*this, *this, runFileSystem_, OutputFileTable::instance(), dateText_),
      registryStore_(registryStore),
      endProgram_([this] { endProgramAtOnce(dialogs_, 0); }) {
    setWindowTitle(QStringLiteral("Make directory contents file"));
    // The original platform's dialog font, MS Sans Serif 8.25 pt, for every control that
    // names no font of its own: the captions were measured for it.
    setFont(sansSerif(8.25, false));
    // A fixed single border with a close button only. (Setting the flags re-creates the
    // window's top-level data, so the icon comes after them.)
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowIcon(makeWindowIcon());

    auto* client = new QWidget(this);
    client->setFixedSize(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight));
    setCentralWidget(client);

    Result_Drive = new DriveList(std::move(drives), nullptr);
    buildControls();
    buildMenus();
    // The window is exactly its client area and menu bar; the user cannot resize it.
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    // The layout ticks Recurse_Check; the field mirrors it from the start.
    RecurseSubdirectories = Recurse_Check->Value() != 0;
    fixTabOrder();
    wireEvents();
    // The folder list opens on the current folder of the drive shown, and the file list
    // follows it, so that the lists agree and show something even when start-up stops
    // before it applies the stored drive and folder.
    guarded([this] { Result_Dir->setPath(Result_Drive->Drive()); });
    adjustSize();
    centreOnScreen();
}

Main_Form::~Main_Form() = default;

void Main_Form::buildControls() {
    QWidget* client = centralWidget();
    const QFont dialogFont = font();

    Result_Frame = new QGroupBox(QStringLiteral("&Directory Contents:"), client);
    Result_Frame->setObjectName(QStringLiteral("Result_Frame"));
    Result_Frame->setFont(sansSerif(8.25, true));
    Result_Frame->setGeometry(twipRect(120, 120, 5172, 3372));

    // The lists sit in the frame but keep the dialog font, not the frame's bold one.
    QFont listFont = dialogFont;
    listFont.setBold(false);

    Result_Drive->setParent(Result_Frame);
    Result_Drive->setObjectName(QStringLiteral("Result_Drive"));
    Result_Drive->setFont(listFont);
    Result_Drive->setToolTip(QStringLiteral("Drive listed"));
    Result_Drive->setGeometry(twipRect(120, 240, 2412, 288));

    Result_Dir = new FolderList(Result_Drive->drives(), listFileSystem_, Result_Frame);
    Result_Dir->setObjectName(QStringLiteral("Result_Dir"));
    Result_Dir->setFont(listFont);
    Result_Dir->setToolTip(QStringLiteral("Directory listed"));
    Result_Dir->setGeometry(twipRect(120, 720, 2412, 2448));

    Result_File = new FileList(listFileSystem_, Result_Frame);
    Result_File->setObjectName(QStringLiteral("Result_File"));
    Result_File->setFont(listFont);
    Result_File->setToolTip(QStringLiteral("List of files in directory"));
    Result_File->setGeometry(twipRect(2640, 240, 2412, 2820));

    Progress_Label = new QLabel(client);
    Progress_Label->setObjectName(QStringLiteral("Progress_Label"));
    Progress_Label->setToolTip(QStringLiteral("Status"));
    Progress_Label->setGeometry(twipRect(120, 3600, 5172, 252));

    const auto makeCheck = [client](const char* name, const char* caption, const char* tip,
                                    int top) {
        auto* box = new CheckBox(QString::fromUtf8(caption), client);
        box->setObjectName(QString::fromUtf8(name));
        box->setToolTip(QString::fromUtf8(tip));
        box->setGeometry(twipRect(5520, top, 1335, 255));
        return box;
    };
    Comment_Check =
        makeCheck("Comment_Check", "&Add comment", "Add comment after each filename", 240);
    Recurse_Check = makeCheck("Recurse_Check", "&Recurse", "Recurse subdirectories", 600);
    Filter_Check = makeCheck("Filter_Check", "&Use filter", "Search specific files: ", 960);
    Recurse_Check->setValue(1);

    Make_Button = new QPushButton(QStringLiteral("&Make file"), client);
    Make_Button->setObjectName(QStringLiteral("Make_Button"));
    Make_Button->setToolTip(QStringLiteral("Make list of directory contents and save in file"));
    Make_Button->setFont(sansSerif(9.75, true));
    Make_Button->setGeometry(twipRect(5520, 3480, 1332, 375));
    // A button in a main window does not take Enter: Enter belongs to Form_KeyPress.
    Make_Button->setAutoDefault(false);
}

void Main_Form::buildMenus() {
    Function_Menu = menuBar()->addMenu(QStringLiteral("&Function"));
    Function_Menu->setObjectName(QStringLiteral("Function_Menu"));
    Function_Make = Function_Menu->addAction(QStringLiteral("&Make file"));
    Function_Menu->addSeparator();  // Space_F1
    Function_About = Function_Menu->addAction(QStringLiteral("&About"));
    Function_Menu->addSeparator();  // Space_F2
    Function_Exit = Function_Menu->addAction(QStringLiteral("E&xit"));

    Setup_Menu = menuBar()->addMenu(QStringLiteral("&Setup"));
    Setup_Menu->setObjectName(QStringLiteral("Setup_Menu"));
    Setup_Name = Setup_Menu->addAction(QStringLiteral("File &name ..."));
    Setup_Comment = Setup_Menu->addAction(QStringLiteral("File &comment ..."));
    Setup_Filter = Setup_Menu->addAction(QStringLiteral("File &filter ..."));
}

void Main_Form::fixTabOrder() {
    // The frame and the label never take the focus; the chain closes from the button
    // back to the drive list.
    Result_Frame->setFocusPolicy(Qt::NoFocus);
    Progress_Label->setFocusPolicy(Qt::NoFocus);
    QWidget* const order[] = {Result_Drive,  Result_Dir,   Result_File, Comment_Check,
                              Recurse_Check, Filter_Check, Make_Button};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
        setTabOrder(order[i], order[i + 1]);
    }
    setTabOrder(Make_Button, Result_Drive);
    // Key preview and the lists' focus handlers see their events here first.
    for (QWidget* control : order) {
        control->installEventFilter(this);
    }
    menuBar()->installEventFilter(this);  // for the access key it shares with the button
}

void Main_Form::wireEvents() {
    const auto on = [this](auto* sender, auto signal, void (Main_Form::*handler)()) {
        connect(sender, signal, this,
                [this, handler] { guarded([this, handler] { (this->*handler)(); }); });
    };
    on(Make_Button, &QPushButton::clicked, &Main_Form::Make_Button_Click);
    on(Comment_Check, &QCheckBox::toggled, &Main_Form::Comment_Check_Click);
    on(Recurse_Check, &QCheckBox::toggled, &Main_Form::Recurse_Check_Click);
    on(Filter_Check, &QCheckBox::toggled, &Main_Form::Filter_Check_Click);
    on(Result_Drive, &DriveList::Change, &Main_Form::Result_Drive_Change);
    on(Result_Dir, &FolderList::Change, &Main_Form::Result_Dir_Change);
    on(Function_Make, &QAction::triggered, &Main_Form::Function_Make_Click);
    on(Function_About, &QAction::triggered, &Main_Form::Function_About_Click);
    on(Function_Exit, &QAction::triggered, &Main_Form::Function_Exit_Click);
    on(Setup_Name, &QAction::triggered, &Main_Form::Setup_Name_Click);
    on(Setup_Comment, &QAction::triggered, &Main_Form::Setup_Comment_Click);
    on(Setup_Filter, &QAction::triggered, &Main_Form::Setup_Filter_Click);

    // A double-click opens a folder. Enter needs no connection of its own: the folder
    // list has the focus then, so Form_KeyPress has opened the folder already, and a
    // second opening would report a vanished folder twice.
    connect(Result_Dir, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        guarded([this, item] { Result_Dir->setPath(Result_Dir->List(Result_Dir->row(item))); });
    });
}

void Main_Form::centreOnScreen() {
    const QScreen* current = screen();
    if (current == nullptr) {
        return;
    }
    QRect placed = frameGeometry();
    placed.moveCenter(current->availableGeometry().center());
    move(placed.topLeft());
}

void Main_Form::applyTitle() {
    setWindowTitle(QString::fromStdString(BaseCaption + " - (" + SaveFilename + ")"));
}

bool Main_Form::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Shortcut && (watched == Make_Button || watched == menuBar())) {
        // "&Stop" shares Alt+S with "&Setup". Qt counts the menu's key even while the menu
        // is disabled: it hands the key to the menu bar, which drops it, or calls it
        // ambiguous and only moves the focus to the button. A disabled menu takes no key,
        // so the button is pressed, as the user asked.
        const auto* shortcut = static_cast<QShortcutEvent*>(event);
        if ((watched == menuBar() || shortcut->isAmbiguous()) && Make_Button->isEnabled() &&
            QKeySequence::mnemonic(Make_Button->text()) == shortcut->key() &&
            !menuBarTakes(shortcut->key())) {
            Make_Button->click();
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        std::int16_t code = 0;
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            code = 13;
        } else if (!key->text().isEmpty()) {
            code = static_cast<std::int16_t>(key->text().at(0).unicode());
        }
        // Keys without a character (arrows, function keys) raise no key press, as on the
        // original platform. The control gets the key afterwards in every case.
        if (code != 0) {
            guarded([this, &code] { Form_KeyPress(code); });
        }
    } else if (event->type() == QEvent::FocusIn) {
        if (watched == Result_Drive) {
            Result_Drive_GotFocus();
        } else if (watched == Result_Dir) {
            Result_Dir_GotFocus();
        } else if (watched == Result_File) {
            Result_File_GotFocus();
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

bool Main_Form::menuBarTakes(const QKeySequence& key) const {
    const QList<QAction*> menus = menuBar()->actions();
    return std::any_of(menus.begin(), menus.end(), [&key](const QAction* menu) {
        return menu->isEnabled() && QKeySequence::mnemonic(menu->text()) == key;
    });
}

void Main_Form::reportUntrapped(std::exception_ptr failure) noexcept {
    // A run under way ends as if Stop had been pressed: the walker returns at its next
    // test, and the run closes the listing with every line written so far. (A failure of
    // the run itself has closed the file and applied the idle state already.)
    if (Running) {
        try {
            StopRequested = true;
            Running = false;
            SetRunMode();
        } catch (...) {
        }
    }
    if (!std::exchange(exiting_, false)) {
        showUntrappedFailure(dialogs_, failure);
        return;
    }
    // The save at Exit or at the user's close failed: once the user has seen why, the
    // program ends all the same, so a broken store can never keep anyone in it.
    showUntrappedFailure(dialogs_, failure,
                         "Not every setting could be stored. The program ends now.");
    endProgram_();
}

// The listing run.

void Main_Form::Make_Button_Click() {
    run_.Make_Button_Click();
}

void Main_Form::SetRunMode() {
    run_.SetRunMode();
}

void Main_Form::yield() {
    QCoreApplication::processEvents();
}

void Main_Form::setProgressText(const std::string& text) {
    Progress_Label->setText(QString::fromStdString(text));
}

void Main_Form::showMessage(const std::string& text, const std::string& title) {
    dialogs_.messageBox(text, Dialogs::kExclamation, title);
}

void Main_Form::setMakeButtonCaption(const std::string& caption) {
    Make_Button->setText(QString::fromStdString(caption));
}

void Main_Form::setControlEnabled(RunControl control, bool enabled) {
    switch (control) {
        case RunControl::Comment_Check:
            Comment_Check->setEnabled(enabled);
            break;
        case RunControl::Filter_Check:
            Filter_Check->setEnabled(enabled);
            break;
        case RunControl::Function_Make:
            Function_Make->setEnabled(enabled);
            break;
        case RunControl::Recurse_Check:
            Recurse_Check->setEnabled(enabled);
            break;
        case RunControl::Result_Drive:
            Result_Drive->setEnabled(enabled);
            break;
        case RunControl::Result_Dir:
            Result_Dir->setEnabled(enabled);
            break;
        case RunControl::Setup_Menu:
            // The menu's title in the bar: a disabled menu cannot be opened.
            Setup_Menu->menuAction()->setEnabled(enabled);
            break;
    }
}

std::string Main_Form::folderListPath() {
    return Result_Dir->Path();
}

void Main_Form::beep() {
    dialogs_.beep();
}

}  // namespace tolvane
