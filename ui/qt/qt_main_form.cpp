#include "qt_main_form.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcutEvent>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>

#include "elided_text.h"
#include "form_layout.h"
#include "twips.h"
#include "window_icon.h"

namespace tolvane {

namespace {

QFont sansSerif(const QStringList& faces, qreal points, bool bold) {
    QFont font;
    font.setFamilies(faces);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QString fromText(const char* text) {
    return QString::fromUtf8(text);
}

// Names and paths are bytes as the file system gave them.
QString fromFileName(const std::string& name) {
    return QFile::decodeName(QByteArray::fromStdString(name));
}

// A key that searches a list by the names of its rows: a visible character typed without
// a command key. Space is not one: in the lists it belongs to Form_KeyPress.
bool typesAhead(const QKeyEvent& key) {
    const QString text = key.text();
    return !text.isEmpty() && text.at(0).isPrint() && !text.at(0).isSpace() &&
           (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) == 0;
}

// Places a control as the layout table says, with its name and tip.
template <class Widget>
Widget* placed(Widget* widget, Control control) {
    const ControlLayout& layout = layoutOf(control);
    widget->setObjectName(fromText(layout.name));
    widget->setToolTip(fromText(layout.toolTip));
    widget->setGeometry(twipRect(layout));
    return widget;
}

// The designed point size of a control's font: the dialog font unless the table names
// a bold one.
qreal designedPoints(LayoutFont font) {
    return font == LayoutFont::ButtonBold ? 9.75 : 8.25;
}

// The width a control's caption may take: a box's and a button's beside their indicator
// and frame as the style draws them, a label's inside its margins, a frame's title
// inside the frame's corners.
int captionRoom(const QWidget* widget) {
    QStyleOptionButton option;
    option.initFrom(widget);
    if (qobject_cast<const QCheckBox*>(widget) != nullptr) {
        return widget->style()
            ->subElementRect(QStyle::SE_CheckBoxContents, &option, widget)
            .width();
    }
    if (qobject_cast<const QPushButton*>(widget) != nullptr) {
        return widget->style()
                   ->subElementRect(QStyle::SE_PushButtonContents, &option, widget)
                   .width() -
               2 * widget->style()->pixelMetric(QStyle::PM_ButtonMargin, &option, widget);
    }
    if (qobject_cast<const QGroupBox*>(widget) != nullptr) {
        // The title starts a few pixels in from the frame's corner and keeps as many
        // clear of the far one.
        return widget->width() - 2 * QFontMetrics(widget->font()).averageCharWidth();
    }
    return widget->contentsRect().width();
}

}  // namespace

QString QtMainForm::captionWithoutAccessKey(const QWidget* widget) {
    QString text;
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
        text = button->text();
    } else if (const auto* frame = qobject_cast<const QGroupBox*>(widget)) {
        text = frame->title();
    } else if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        text = label->text();
    }
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    return text;
}

bool QtMainForm::captionFits(const QWidget* widget) {
    return QFontMetrics(widget->font()).horizontalAdvance(captionWithoutAccessKey(widget)) <=
           captionRoom(widget);
}

QStringList QtMainForm::designedFaces() {
    return {QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
            QStringLiteral("Arial"),         QStringLiteral("Liberation Sans"),
            QStringLiteral("Nimbus Sans"),   QStringLiteral("Helvetica"),
            QStringLiteral("Sans Serif")};
}

void QtMainForm::fitFonts(const QStringList& faces) {
    const std::pair<QWidget*, Control> controls[] = {
        {Result_Frame, Control::Result_Frame},     {Result_Drive, Control::Result_Drive},
        {Result_Dir, Control::Result_Dir},         {Result_File, Control::Result_File},
        {Progress_Label, Control::Progress_Label}, {Comment_Check, Control::Comment_Check},
        {Recurse_Check, Control::Recurse_Check},   {Filter_Check, Control::Filter_Check},
        {Make_Button, Control::Make_Button}};
    // The captions were measured for MS Sans Serif; a wider face found in its place takes
    // the same smaller step off every designed size until no caption is clipped. (The
    // lists sit in the bold frame but keep the plain dialog font.)
    constexpr qreal kStep = 0.25;
    constexpr qreal kSmallest = 4;
    for (qreal shrink = 0;; shrink += kStep) {
        setFont(sansSerif(faces, designedPoints(LayoutFont::Dialog) - shrink, false));
        bool allFit = true;
        for (const auto& [widget, control] : controls) {
            const LayoutFont designed = layoutOf(control).font;
            widget->setFont(sansSerif(faces, designedPoints(designed) - shrink,
                                      designed != LayoutFont::Dialog));
            allFit = allFit && captionFits(widget);
        }
        if (allFit || designedPoints(LayoutFont::Dialog) - shrink - kStep < kSmallest) {
            return;
        }
    }
}

void QtMainForm::clearFrameTitle() {
    // The table places the lists for a frame whose line runs through the middle of its
    // title; styles that draw the line below the whole title (Fusion) run it across the
    // lists. Where the line lies is seen by drawing the bare frame once: the first row
    // that is not background, in a column clear of the title. The lists move down below
    // it and give up height at the bottom only where the frame has no room left there.
    Result_Frame->ensurePolished();
    QImage bare(Result_Frame->size(), QImage::Format_RGB32);
    bare.fill(Qt::transparent);
    Result_Frame->render(&bare, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    const int column = Result_Frame->width() - 8;
    int line = 0;
    while (line + 1 < bare.height() && bare.pixel(column, line) == bare.pixel(column, 0)) {
        ++line;
    }
    const QList<QWidget*> lists = Result_Frame->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    int top = Result_Frame->height();
    for (const QWidget* list : lists) {
        top = std::min(top, list->y());
    }
    const int shift = std::max(0, line + 2 - top);
    const int bottom = Result_Frame->contentsRect().bottom();
    for (QWidget* list : lists) {
        QRect place = list->geometry().translated(0, shift);
        place.setBottom(std::min(place.bottom(), bottom));
        list->setGeometry(place);
    }
}

QtMainForm::QtMainForm(Dialogs& dialogs, std::vector<DriveEntry> drives, FileSystem& listFileSystem,
                       RegistryApi& registryStore, const QStringList& faces) {
    setWindowTitle(fromText(kDesignedCaption));
    // A fixed single border with a close button only. (Setting the flags re-creates the
    // window's top-level data, so the icon comes after them.)
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowIcon(makeWindowIcon());

    auto* client = new QWidget(this);
    client->setFixedSize(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight));
    setCentralWidget(client);
    buildControls();
    fitFonts(faces);
    clearFrameTitle();
    buildMenus();
    // The window is exactly its client area and menu bar; the user cannot resize it.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    fixTabOrder();

    form_ = std::make_unique<Main_Form>(
        Main_Form::Services{*this, dialogs, std::move(drives), listFileSystem, registryStore});
    wireEvents();
    typingClock_.start();
    adjustSize();
    centreOnScreen();
}

QtMainForm::~QtMainForm() = default;

void QtMainForm::buildControls() {
    QWidget* client = centralWidget();
    Result_Frame = placed(new QGroupBox(fromText(layoutOf(Control::Result_Frame).caption), client),
                          Control::Result_Frame);
    Result_Drive = placed(new QComboBox(Result_Frame), Control::Result_Drive);
    Result_Dir = placed(new QListWidget(Result_Frame), Control::Result_Dir);
    Result_File = placed(new QListWidget(Result_Frame), Control::Result_File);
    Progress_Label = placed(new QLabel(client), Control::Progress_Label);

    const auto makeCheck = [client](Control control) {
        return placed(new QCheckBox(fromText(layoutOf(control).caption), client), control);
    };
    Comment_Check = makeCheck(Control::Comment_Check);
    Recurse_Check = makeCheck(Control::Recurse_Check);
    Filter_Check = makeCheck(Control::Filter_Check);

    Make_Button = placed(new QPushButton(fromText(layoutOf(Control::Make_Button).caption), client),
                         Control::Make_Button);
    // A button in a main window does not take Enter: Enter belongs to Form_KeyPress.
    Make_Button->setAutoDefault(false);
}

void QtMainForm::buildMenus() {
    QMenu* menu = nullptr;
    for (const MenuLayout& entry : kMenuLayout) {
        if (entry.isMenu) {
            menu = menuBar()->addMenu(fromText(entry.caption));
            (entry.control == Control::Function_Menu ? Function_Menu : Setup_Menu) = menu;
            menu->setObjectName(entry.control == Control::Function_Menu
                                    ? QStringLiteral("Function_Menu")
                                    : QStringLiteral("Setup_Menu"));
        } else if (entry.caption == nullptr) {
            menu->addSeparator();
        } else {
            QAction* action = menu->addAction(fromText(entry.caption));
            const std::pair<Control, QAction**> items[] = {
                {Control::Function_Make, &Function_Make},
                {Control::Function_About, &Function_About},
                {Control::Function_Exit, &Function_Exit},
                {Control::Setup_Name, &Setup_Name},
                {Control::Setup_Comment, &Setup_Comment},
                {Control::Setup_Filter, &Setup_Filter}};
            for (const auto& [control, item] : items) {
                if (control == entry.control) {
                    *item = action;
                }
            }
        }
    }
}

void QtMainForm::fixTabOrder() {
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
    // The drive list starts with the focus.
    Result_Drive->setFocus(Qt::OtherFocusReason);
    // Key preview and the lists' focus handlers see their events here first.
    for (QWidget* control : order) {
        control->installEventFilter(this);
    }
    menuBar()->installEventFilter(this);  // for the access key it shares with the button
}

void QtMainForm::wireEvents() {
    Main_Form* form = form_.get();
    connect(Make_Button, &QPushButton::clicked, this,
            [form] { form->click(Control::Make_Button); });
    const std::pair<QAction*, Control> menuItems[] = {
        {Function_Make, Control::Function_Make}, {Function_About, Control::Function_About},
        {Function_Exit, Control::Function_Exit}, {Setup_Name, Control::Setup_Name},
        {Setup_Comment, Control::Setup_Comment}, {Setup_Filter, Control::Setup_Filter}};
    for (const auto& [action, control] : menuItems) {
        connect(action, &QAction::triggered, this, [form, control] { form->click(control); });
    }
    const std::pair<QCheckBox*, Control> boxes[] = {{Comment_Check, Control::Comment_Check},
                                                    {Recurse_Check, Control::Recurse_Check},
                                                    {Filter_Check, Control::Filter_Check}};
    for (const auto& [box, control] : boxes) {
        connect(box, &QCheckBox::clicked, this,
                [form, control](bool ticked) { form->checkToggled(control, ticked); });
    }
    connect(Result_Drive, &QComboBox::activated, this,
            [form](int row) { form->listPicked(Control::Result_Drive, row, true); });
    connect(Result_Dir, &QListWidget::currentRowChanged, this,
            [form](int row) { form->listPicked(Control::Result_Dir, row, false); });
    // A double-click opens a folder. Enter needs no connection of its own: the folder
    // list has the focus then, so Form_KeyPress has opened the folder already, and a
    // second opening would report a vanished folder twice.
    connect(Result_Dir, &QListWidget::itemDoubleClicked, this, [this, form](QListWidgetItem* item) {
        form->listPicked(Control::Result_Dir, Result_Dir->row(item), true);
    });
}

void QtMainForm::centreOnScreen() {
    const QScreen* current = screen();
    if (current == nullptr) {
        return;
    }
    QRect frame = frameGeometry();
    frame.moveCenter(current->availableGeometry().center());
    move(frame.topLeft());
}

bool QtMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Shortcut && (watched == Make_Button || watched == menuBar())) {
        // The button's access key presses it at once, as on Windows: Qt would show the
        // press for 100 ms first, which every run and every Stop would wait for.
        // "&Stop" shares Alt+S with "&Setup". Qt counts the menu's key even while the menu
        // is disabled: it hands the key to the menu bar, which drops it, or calls it
        // ambiguous and only moves the focus to the button. A disabled menu takes no key,
        // so the button is pressed, as the user asked.
        const auto* shortcut = static_cast<QShortcutEvent*>(event);
        if (Make_Button->isEnabled() &&
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
        // original platform. The control gets the key afterwards, except where a list's own
        // search would go wrong (below).
        if (code != 0) {
            form_->keyPreview(code);
        }
        // The folder list's rows begin with their indentation, so its own search would
        // find nothing: Main_Form searches by the folders' names.
        if (watched == Result_Dir && typesAhead(*key)) {
            form_->listTyped(Control::Result_Dir, QFile::encodeName(key->text()).toStdString(),
                             static_cast<std::uint32_t>(typingClock_.elapsed()));
            return true;
        }
        // A list would take the blank for a search of a row that begins with one, and every
        // folder row below the root does: the highlight would leave the folder just opened.
        if ((watched == Result_Dir || watched == Result_File) && key->key() == Qt::Key_Space) {
            return true;
        }
    } else if (event->type() == QEvent::FocusIn) {
        // A control that gets the focus as the window becomes active (the drive list at
        // the start) shows its mark at once, not only after the first Tab as Qt would: the
        // window is worked with the keys, and the user must see where they go.
        if (static_cast<QFocusEvent*>(event)->reason() == Qt::ActiveWindowFocusReason) {
            setAttribute(Qt::WA_KeyboardFocusChange);
        }
        if (watched == Result_Drive) {
            form_->focusReceived(Control::Result_Drive);
        } else if (watched == Result_Dir) {
            form_->focusReceived(Control::Result_Dir);
        } else if (watched == Result_File) {
            form_->focusReceived(Control::Result_File);
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

bool QtMainForm::menuBarTakes(const QKeySequence& key) const {
    const QList<QAction*> menus = menuBar()->actions();
    return std::any_of(menus.begin(), menus.end(), [&key](const QAction* menu) {
        return menu->isEnabled() && QKeySequence::mnemonic(menu->text()) == key;
    });
}

void QtMainForm::closeEvent(QCloseEvent* event) {
    // A close the window system delivers (close button, window menu, Alt+F4) is the
    // user's, unless the session is ending; close() from program code is not spontaneous.
    std::int16_t reason = Main_Form::kCloseByCode;
    if (qApp != nullptr && qApp->isSavingSession()) {
        reason = Main_Form::kCloseBySessionEnd;
    } else if (event->spontaneous()) {
        reason = Main_Form::kCloseByUser;
    }
    if (!form_->closeRequested(reason)) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

QWidget* QtMainForm::widgetOf(Control control) const {
    switch (control) {
        case Control::Result_Frame:
            return Result_Frame;
        case Control::Result_Drive:
            return Result_Drive;
        case Control::Result_Dir:
            return Result_Dir;
        case Control::Result_File:
            return Result_File;
        case Control::Progress_Label:
            return Progress_Label;
        case Control::Comment_Check:
            return Comment_Check;
        case Control::Recurse_Check:
            return Recurse_Check;
        case Control::Filter_Check:
            return Filter_Check;
        case Control::Make_Button:
            return Make_Button;
        default:
            return nullptr;
    }
}

void QtMainForm::setTitle(const std::string& title) {
    setWindowTitle(QString::fromStdString(title));
}

void QtMainForm::setCaption(Control control, const std::string& caption) {
    if (control == Control::Make_Button) {
        Make_Button->setText(QString::fromStdString(caption));
    } else if (control == Control::Progress_Label) {
        // A long path loses its middle, not its end, which names the file or folder.
        const QFontMetrics metrics(Progress_Label->font());
        const int room = Progress_Label->contentsRect().width();
        const std::string shown = elidedInMiddle(caption, [&](const std::string& text) {
            return metrics.horizontalAdvance(fromFileName(text)) <= room;
        });
        Progress_Label->setText(fromFileName(shown));
    }
}

void QtMainForm::setEnabled(Control control, bool enabled) {
    switch (control) {
        case Control::Function_Make:
            Function_Make->setEnabled(enabled);
            break;
        case Control::Setup_Menu:
            // The menu's title in the bar: a disabled menu cannot be opened.
            Setup_Menu->menuAction()->setEnabled(enabled);
            break;
        default:
            if (QWidget* widget = widgetOf(control)) {
                widget->setEnabled(enabled);
            }
    }
}

void QtMainForm::setCheck(Control box, bool ticked) {
    if (auto* check = qobject_cast<QCheckBox*>(widgetOf(box))) {
        const QSignalBlocker quiet(check);
        check->setChecked(ticked);
    }
}

void QtMainForm::setToolTip(Control control, const std::string& tip) {
    if (QWidget* widget = widgetOf(control)) {
        widget->setToolTip(QString::fromStdString(tip));
    }
}

void QtMainForm::setRows(Control list, const std::vector<ListRow>& rows) {
    if (list == Control::Result_Drive) {
        const QSignalBlocker quiet(Result_Drive);
        Result_Drive->clear();
        for (const ListRow& row : rows) {
            Result_Drive->addItem(fromFileName(row.text));
        }
        return;
    }
    QListWidget* widget = list == Control::Result_Dir ? Result_Dir : Result_File;
    const QSignalBlocker quiet(widget);
    widget->clear();
    for (const ListRow& row : rows) {
        auto* item = new QListWidgetItem(fromFileName(row.text), widget);
        if (!row.tip.empty()) {
            item->setToolTip(fromFileName(row.tip));
        }
    }
}

void QtMainForm::setHighlight(Control list, int row) {
    if (list == Control::Result_Drive) {
        const QSignalBlocker quiet(Result_Drive);
        Result_Drive->setCurrentIndex(row);
    } else if (list == Control::Result_Dir) {
        const QSignalBlocker quiet(Result_Dir);
        Result_Dir->setCurrentRow(row);
    }
}

void QtMainForm::show() {
    QMainWindow::show();
    activateWindow();
}

void QtMainForm::setBusy(bool busy) {
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

void QtMainForm::yield() {
    QCoreApplication::processEvents();
}

}  // namespace tolvane
