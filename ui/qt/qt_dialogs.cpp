#include "qt_dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QRegularExpression>
#include <QSpacerItem>

#include <algorithm>

#include "common_dialog.h"

namespace tolvane {

namespace {

QMessageBox::Icon iconOfStyle(int style) {
    switch (style & 0x70) {
        case 16:
            return QMessageBox::Critical;
        case 32:
            return QMessageBox::Question;
        case Dialogs::kExclamation:
            return QMessageBox::Warning;
        case Dialogs::kInformation:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

QString fromText(const std::string& text) {
    return QString::fromStdString(text);
}

// What a title bar holds besides the title: the window manager's buttons (often three,
// whatever a box asks for), its icon and margins.
constexpr int kTitleBarRoom = 120;

// The width a box needs for the window manager to show all of `title`. The manager draws
// titles in a face of its own, mostly the desktop's bold, which is often wider than the
// window's face that the application's font follows.
int titleBarWidth(const QString& title) {
    int widest = 0;
    for (QFont font :
         {QFontDatabase::systemFont(QFontDatabase::GeneralFont), QApplication::font()}) {
        font.setBold(true);
        widest = std::max(widest, QFontMetrics(font).horizontalAdvance(title));
    }
    return widest + kTitleBarRoom;
}

// Icons and type names from an entry's kind and name alone. Qt's own provider asks the MIME
// database, which reads a file's first bytes: a file of /proc such as kmsg, or a device,
// then blocks the dialog, and the program with it, for good.
class NameOnlyIconProvider : public QFileIconProvider {
  public:
    using QFileIconProvider::icon;

    QIcon icon(const QFileInfo& info) const override {
        if (info.isRoot()) {
            return icon(Drive);
        }
        if (info.isDir()) {
            return icon(Folder);
        }
        if (!info.isFile()) {
            return icon(File);
        }
        const QMimeType mime = mimeOfName(info);
        return QIcon::fromTheme(mime.iconName(),
                                QIcon::fromTheme(mime.genericIconName(), icon(File)));
    }

    QString type(const QFileInfo& info) const override {
        if (!info.isFile() || info.isRoot()) {
            // Drives, folders, links and devices are named from their kind.
            return QFileIconProvider::type(info);
        }
        const QMimeType mime = mimeOfName(info);
        return mime.comment().isEmpty() ? mime.name() : mime.comment();
    }

  private:
    QMimeType mimeOfName(const QFileInfo& info) const {
        return mimeTypes_.mimeTypeForFile(info, QMimeDatabase::MatchExtension);
    }

    QMimeDatabase mimeTypes_;
};

// Qt's own file dialog reads a typed name that holds a double quote as a list of quoted
// names ("a" "b"), so that `say "hi" tab.txt` would save to `hi`; after a typed folder that
// does not exist, it reads the next name as the folder shown. A save takes one name,
// exactly as typed, against the folder shown.
class SaveFileDialog : public QFileDialog {
  public:
    using QFileDialog::QFileDialog;

    // The name the user typed.
    QString typedName;
    // Refuse a name in a folder that does not exist (OFN_PATHMUSTEXIST), which Qt's own
    // dialog takes: the mistake would surface only when the listing is made.
    bool pathMustExist = false;

    void accept() override {
        auto* const edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (edit == nullptr || edit->text().isEmpty()) {
            QFileDialog::accept();
            return;
        }
        QString name = directory().absoluteFilePath(edit->text());
        // What Qt does with a name: a folder is opened, a name without an extension takes
        // the chosen entry's, an existing file is replaced only when the user agrees.
        if (QFileInfo(name).isDir()) {
            setDirectory(name);
            edit->clear();
            return;
        }
        if (QFileInfo(name).suffix().isEmpty() && !defaultSuffix().isEmpty()) {
            name += QLatin1Char('.') + defaultSuffix();
        }
        const QFileInfo info(name);
        if (pathMustExist && !info.dir().exists()) {
            QMessageBox::warning(this, windowTitle(),
                                 tr("%1\nThe folder does not exist. Check the name and try "
                                    "again.")
                                     .arg(QDir::toNativeSeparators(info.absolutePath())));
            return;
        }
        if (info.exists() && !testOption(DontConfirmOverwrite) &&
            QMessageBox::warning(
                this, windowTitle(),
                tr("%1 already exists.\nDo you want to replace it?").arg(info.fileName()),
                QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes) {
            return;
        }
        typedName = name;
        QDialog::accept();
    }
};

}  // namespace

QString qtMessageText(const std::string& text) {
    QString result = fromText(text);
    result.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return result;
}

QString filterExtension(const QString& nameFilter) {
    static const QRegularExpression onePattern(QStringLiteral("\\(\\*\\.([^ .*?()]+)\\)$"));
    return onePattern.match(nameFilter).captured(1);
}

QStringList qtNameFilters(const std::string& filter) {
    const QStringList parts = fromText(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        QStringList qtPatterns;
        for (const QString& pattern : patterns.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            qtPatterns << (pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern);
        }
        // Qt reads the patterns from the last parenthesis of a filter, so the description
        // keeps its text and the patterns follow it.
        const qsizetype open = description.lastIndexOf(QLatin1Char('('));
        if (open >= 0 && description.endsWith(QLatin1Char(')'))) {
            description = description.left(open).trimmed();
        }
        filters << description + QStringLiteral(" (") + qtPatterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    return filters;
}

void QtDialogs::messageBox(const std::string& text, int style, const std::string& title) {
    QMessageBox box(iconOfStyle(style), fromText(title), qtMessageText(text), QMessageBox::Ok,
                    parent_);
    box.setTextFormat(Qt::PlainText);
    // A box is as wide as its text, and a short text under a long title ("Error in
    // Make_Button_Click") gets the title cut; Qt's own allowance for the title leaves too
    // little room for the buttons. A spacer row across the box widens it as needed, which
    // is the one way in: the box fixes its own size from its layout whenever it is shown.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(new QSpacerItem(titleBarWidth(box.windowTitle()), 0, QSizePolicy::Fixed,
                                      QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
    box.exec();
}

std::string QtDialogs::inputBox(const std::string& prompt, const std::string& title,
                                const std::string& defaultText) {
    bool accepted = false;
    const QString answer =
        QInputDialog::getText(parent_, fromText(title), qtMessageText(prompt), QLineEdit::Normal,
                              fromText(defaultText), &accepted);
    return accepted ? answer.toStdString() : std::string();
}

std::optional<std::string> QtDialogs::showSave(const SaveDialogSettings& settings) {
    NameOnlyIconProvider icons;
    SaveFileDialog dialog(parent_, fromText(settings.DialogTitle),
                          QFile::decodeName(QByteArray::fromStdString(settings.InitDir)));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The dialog must never read a file's contents (see NameOnlyIconProvider), nor a
    // folder's own icon settings.
    dialog.setIconProvider(&icons);
    dialog.setOption(QFileDialog::DontUseCustomDirectoryIcons);
    const QStringList filters = qtNameFilters(settings.Filter);
    dialog.setNameFilters(filters);
    if (settings.FilterIndex >= 1 && settings.FilterIndex <= filters.size()) {
        dialog.selectNameFilter(filters[settings.FilterIndex - 1]);
    }
    // A name typed without an extension takes the chosen entry's, as in Windows' own
    // dialog: "list" under "Spreadsheet (*.xlsx)" is list.xlsx, which makes a workbook.
    dialog.setDefaultSuffix(filterExtension(dialog.selectedNameFilter()));
    QObject::connect(
        &dialog, &QFileDialog::filterSelected, &dialog,
        [&dialog](const QString& chosen) { dialog.setDefaultSuffix(filterExtension(chosen)); });
    dialog.pathMustExist = (settings.Flags & dialog_flag::kPathMustExist) != 0;
    // Without this flag an existing file is replaced without asking.
    dialog.setOption(QFileDialog::DontConfirmOverwrite,
                     (settings.Flags & dialog_flag::kOverwritePrompt) == 0);
    dialog.selectFile(QFile::decodeName(QByteArray::fromStdString(settings.FileName)));
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    QString chosen = dialog.typedName;
    if (chosen.isEmpty()) {
        if (dialog.selectedFiles().isEmpty()) {
            return std::nullopt;
        }
        chosen = dialog.selectedFiles().constFirst();
    }
    return QFile::encodeName(chosen).toStdString();
}

void QtDialogs::beep() {
    QApplication::beep();
}

bool QtDialogs::retryBox(const std::string& text, const std::string& title) {
    QMessageBox box(QMessageBox::Warning, fromText(title), qtMessageText(text),
                    QMessageBox::Retry | QMessageBox::Cancel, parent_);
    box.setTextFormat(Qt::PlainText);
    return box.exec() == QMessageBox::Retry;
}

}  // namespace tolvane
