#pragma once

#include <string>

class QWidget;

namespace platform {

// Buttons, icons and answers of a message box, numbered as the Windows message box does.
enum MessageBoxFlags : unsigned {
    MB_OK = 0x0,
    MB_YESNO = 0x4,
    MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONWARNING = 0x30,
    MB_ICONEXCLAMATION = 0x30,
    MB_ICONINFORMATION = 0x40,
};
enum MessageBoxAnswer : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

// Every message box of the program passes through here, so tests can record and answer them.
class MessageBoxSeam {
public:
    virtual ~MessageBoxSeam() = default;
    virtual int Show(QWidget* owner, const std::string& text, const std::string& caption,
                     unsigned flags) = 0;
};

// Shows a box through the installed seam (a real QMessageBox unless a test installed its own).
int ShowMessageBox(QWidget* owner, const std::string& text, const std::string& caption,
                   unsigned flags = MB_OK);
// Installs `seam` (null restores the real boxes). Returns the previous one.
MessageBoxSeam* InstallMessageBoxSeam(MessageBoxSeam* seam);

}  // namespace platform
