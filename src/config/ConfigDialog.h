#pragma once

#include <QDialog>

class QHBoxLayout;
class QPushButton;

// The base of the configuration dialogs. A dialog may end itself while it is still being set
// up (a configuration file that cannot be read): DoModal then returns that result without
// showing the window. The dialogs are of fixed size: no maximize button, no resize handle.
// Enter presses the push button that has the focus; with the focus anywhere else it runs
// accept(), the dialog's OK, which does nothing unless a dialog says otherwise. Escape and
// the close box cancel.
class CConfigDialog : public QDialog {
    Q_OBJECT
  public:
    explicit CConfigDialog(QWidget* parent = nullptr);

    // The result of a dialog that could not go on: a file it cannot read, a temporary FIX
    // file it could not put in place.
    static constexpr int kFailed = -1;
    // What a dialog's check of its fields returns: kInvalid after telling the operator which
    // field is refused.
    static constexpr int kValid = 0;
    static constexpr int kInvalid = 200;

    // Sets the dialog up (OnInitDialog) and runs it modally; returns its result.
    int DoModal();
    // Ends the dialog with `result`, also before it runs.
    void EndDialog(int result);
    bool Ended() const { return m_ended; }

    void accept() override {}

    // Fills the controls from the files; may end the dialog at once.
    virtual void OnInitDialog() = 0;

    // Fixes the size from the layout before the window is mapped, so that the window manager
    // sees a window of fixed size from its first look (and offers no maximize button).
    void setVisible(bool visible) override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    // A push button carrying its control id; Enter presses it when it has the focus.
    QPushButton* Button(const char* text, const char* id);
    // "&Save" (1020, disabled until a change) and a closing button, right-aligned in a row.
    QHBoxLayout* SaveRow(QPushButton** save, QPushButton** close, const char* closeText,
                         const char* closeId);
    // The box of a configuration file that cannot be read or written.
    void ShowSetupError();
    // The same for the file at `path`, with why it cannot be edited when it is there.
    void ShowSetupError(const std::string& path);
    // Why a save wrote nothing (another writer holds the configuration, a file that may not
    // be replaced as it is), as the configuration lock and its checks say it.
    void ShowRefusal(const std::string& why);
    // Widens the dialog, when needed, so that the window manager can show its whole title
    // beside the title bar's icon and buttons.
    void KeepTitleVisible();

  private:
    bool m_ended = false;
    int m_endResult = 0;
};
