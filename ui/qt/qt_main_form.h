#pragma once

#include <QElapsedTimer>
#include <QMainWindow>
#include <QStringList>
#include <memory>
#include <vector>

#include "drive_table.h"
#include "form_view.h"
#include "main_form.h"

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QKeySequence;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;

namespace tolvane {

// The Qt window over Main_Form: it builds the controls from the layout table, hands every
// user event to Main_Form's entry for it and shows what Main_Form sets (FormView).
class QtMainForm : public QMainWindow, public FormView {
    Q_OBJECT

  public:
    // The arguments are those of Main_Form::Services; each must outlive the window. `faces`
    // are the font families to try, first found first; the designed ones unless given.
    QtMainForm(Dialogs& dialogs, std::vector<DriveEntry> drives, FileSystem& listFileSystem,
               RegistryApi& registryStore, const QStringList& faces = designedFaces());
    ~QtMainForm() override;

    Main_Form& form() { return *form_; }

    // MS Sans Serif of the original layout, then the faces of Arial's width (the captions
    // were measured for its narrow letters), then any sans-serif face.
    static QStringList designedFaces();
    // Whether a control's caption, access key mark left out, fits the room its box
    // leaves for it in the control's font.
    static bool captionFits(const QWidget* widget);
    static QString captionWithoutAccessKey(const QWidget* widget);

    // The controls, under their own names; the window owns them.
    QGroupBox* Result_Frame = nullptr;
    QComboBox* Result_Drive = nullptr;
    QListWidget* Result_Dir = nullptr;
    QListWidget* Result_File = nullptr;
    QLabel* Progress_Label = nullptr;
    QCheckBox* Comment_Check = nullptr;
    QCheckBox* Recurse_Check = nullptr;
    QCheckBox* Filter_Check = nullptr;
    QPushButton* Make_Button = nullptr;
    QMenu* Function_Menu = nullptr;
    QAction* Function_Make = nullptr;
    QAction* Function_About = nullptr;
    QAction* Function_Exit = nullptr;
    QMenu* Setup_Menu = nullptr;
    QAction* Setup_Name = nullptr;
    QAction* Setup_Comment = nullptr;
    QAction* Setup_Filter = nullptr;

    // FormView.
    void setTitle(const std::string& title) override;
    void setCaption(Control control, const std::string& caption) override;
    void setEnabled(Control control, bool enabled) override;
    void setCheck(Control box, bool ticked) override;
    void setToolTip(Control control, const std::string& tip) override;
    void setRows(Control list, const std::vector<ListRow>& rows) override;
    void setHighlight(Control list, int row) override;
    void show() override;
    void setBusy(bool busy) override;
    void yield() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildControls();
    void fitFonts(const QStringList& faces);
    void clearFrameTitle();
    void buildMenus();
    void wireEvents();
    void fixTabOrder();
    void centreOnScreen();
    bool menuBarTakes(const QKeySequence& key) const;
    QWidget* widgetOf(Control control) const;

    std::unique_ptr<Main_Form> form_;
    // The clock of the folder list's type-ahead.
    QElapsedTimer typingClock_;
};

}  // namespace tolvane
