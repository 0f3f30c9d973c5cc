#pragma once

#include <QPointer>
#include <QWidget>

#include "dialogs.h"

namespace tolvane {

// The dialogs of the running program: QMessageBox, QInputDialog, QFileDialog and the
// application's beep, each modal over the parent window.
class QtDialogs : public Dialogs {
  public:
    void setParentWindow(QWidget* parent) { parent_ = parent; }

    void messageBox(const std::string& text, int style, const std::string& title) override;
    std::string inputBox(const std::string& prompt, const std::string& title,
                         const std::string& defaultText) override;
    std::optional<std::string> showSave(const SaveDialogSettings& settings) override;
    void beep() override;
    bool retryBox(const std::string& text, const std::string& title) override;

  private:
    QPointer<QWidget> parent_;
};

// The extension a name filter names alone ("xlsx" of "Spreadsheet (*.xlsx)"), or nothing.
QString filterExtension(const QString& nameFilter);

// The name filters of a save dialog's Filter text ("TXT file (*.txt)|*.txt|All files
// (*.*)|*.*") in Qt's form. "*.*" becomes "*", which, as on the program's original
// platform, also matches names without a dot.
QStringList qtNameFilters(const std::string& filter);

// A message text with its CR, CR LF and LF line breaks as Qt's line breaks.
QString qtMessageText(const std::string& text);

}  // namespace tolvane
