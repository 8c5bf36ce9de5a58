#include "platform/MessageBox.h"

#include <QMessageBox>
#include <QString>
#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {

class QtMessageBox final : public MessageBoxSeam {
public:
    int Show(QWidget* owner, const std::string& text, const std::string& caption,
             unsigned flags) override {
        QMessageBox box(owner);
        box.setText(QString::fromStdString(text));
        box.setWindowTitle(QString::fromStdString(caption));
        switch (flags & 0xF0) {
            case MB_ICONERROR: box.setIcon(QMessageBox::Critical); break;
            case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
            case MB_ICONWARNING: box.setIcon(QMessageBox::Warning); break;
            case MB_ICONINFORMATION: box.setIcon(QMessageBox::Information); break;
            default: box.setIcon(QMessageBox::NoIcon); break;
        }
        if ((flags & 0xF) == MB_YESNO) {
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::Yes);
            return box.exec() == QMessageBox::Yes ? IDYES : IDNO;
        }
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
        return IDOK;
    }
};

QtMessageBox g_real;
std::atomic<MessageBoxSeam*> g_seam{&g_real};

}  // namespace

int ShowMessageBox(QWidget* owner, const std::string& text, const std::string& caption,
                   unsigned flags) {
    // For automation: ZEVO_BOX_JOURNAL names a file that receives "caption: text" per box.
    if (const char* journal = std::getenv("ZEVO_BOX_JOURNAL"); journal && *journal) {
        if (std::FILE* file = std::fopen(journal, "a")) {
            std::fprintf(file, "%s: %s\n", caption.c_str(), text.c_str());
            std::fclose(file);
        }
    }
    return g_seam.load()->Show(owner, text, caption, flags);
}

MessageBoxSeam* InstallMessageBoxSeam(MessageBoxSeam* seam) {
    MessageBoxSeam* previous = g_seam.exchange(seam ? seam : &g_real);
    return previous == &g_real ? nullptr : previous;
}

}  // namespace platform
