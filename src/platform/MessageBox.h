#pragma once

#include <string>

class QObject;

namespace platform {

// Buttons, icons, default button and answers of a message box, numbered as the Windows
// message box does, so call sites read like the system's own.
enum MessageBoxFlags : unsigned {
    MB_OK = 0x0,
    MB_YESNO = 0x4,
    MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONWARNING = 0x30,
    MB_ICONEXCLAMATION = 0x30,
    MB_ICONINFORMATION = 0x40,
    MB_DEFBUTTON2 = 0x100,  // the second button (No) is the default
};
enum MessageBoxAnswer : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

enum class BoxIcon { None, Error, Question, Warning, Information };
enum class BoxButtons { Ok, YesNo };

// Everything a box shows. The owner is the window the box belongs to (null for none); it is
// an object so that this interface needs no widget type.
struct MessageBoxRequest {
    std::string text;
    std::string caption;
    BoxIcon icon = BoxIcon::None;
    BoxButtons buttons = BoxButtons::Ok;
    int defaultAnswer = IDOK;  // the answer of the default button
    QObject* owner = nullptr;

    static MessageBoxRequest FromFlags(QObject* owner, const std::string& text,
                                       const std::string& caption, unsigned flags);
};

// Every message box of the program passes through here, so tests can record and answer them.
class MessageBoxSeam {
  public:
    virtual ~MessageBoxSeam() = default;
    // Shows the box and returns the operator's answer.
    virtual int Show(const MessageBoxRequest& box) = 0;
};

// Shows a box through the installed seam. Until one is installed (main installs the real
// boxes), a box is written to standard error and answered with its default button.
int ShowMessageBox(const MessageBoxRequest& box);
int ShowMessageBox(QObject* owner, const std::string& text, const std::string& caption,
                   unsigned flags = MB_OK);
// The box of the network and socket layer: no owner, caption "ZEVO", an OK button.
void ShowPlainBox(const std::string& text);

// Installs `seam` (null restores the standard-error boxes). Returns the previous one, or
// null when none was installed.
MessageBoxSeam* InstallMessageBoxSeam(MessageBoxSeam* seam);

}  // namespace platform
