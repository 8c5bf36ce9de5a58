#include "platform/MessageBox.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {

BoxIcon IconOf(unsigned flags) {
    switch (flags & 0xF0) {
        case MB_ICONERROR:
            return BoxIcon::Error;
        case MB_ICONQUESTION:
            return BoxIcon::Question;
        case MB_ICONWARNING:
            return BoxIcon::Warning;
        case MB_ICONINFORMATION:
            return BoxIcon::Information;
        default:
            return BoxIcon::None;
    }
}

// Without a window system the box still reaches the operator's terminal.
class StandardErrorBoxes final : public MessageBoxSeam {
  public:
    int Show(const MessageBoxRequest& box) override {
        std::fprintf(stderr, "%s: %s\n", box.caption.c_str(), box.text.c_str());
        return box.defaultAnswer;
    }
};

StandardErrorBoxes g_standardError;
std::atomic<MessageBoxSeam*> g_seam{&g_standardError};

// For automation: ZEVO_BOX_JOURNAL names a file that receives "caption: text" per box.
void Journal(const MessageBoxRequest& box) {
    const char* journal = std::getenv("ZEVO_BOX_JOURNAL");
    if (!journal || !*journal) {
        return;
    }
    if (std::FILE* file = std::fopen(journal, "a")) {
        std::fprintf(file, "%s: %s\n", box.caption.c_str(), box.text.c_str());
        std::fclose(file);
    }
}

}  // namespace

MessageBoxRequest MessageBoxRequest::FromFlags(QObject* owner, const std::string& text,
                                               const std::string& caption, unsigned flags) {
    MessageBoxRequest box;
    box.text = text;
    box.caption = caption;
    box.icon = IconOf(flags);
    box.owner = owner;
    if ((flags & 0xF) == MB_YESNO) {
        box.buttons = BoxButtons::YesNo;
        box.defaultAnswer = (flags & MB_DEFBUTTON2) ? IDNO : IDYES;
    }
    return box;
}

int ShowMessageBox(const MessageBoxRequest& box) {
    Journal(box);
    return g_seam.load()->Show(box);
}

int ShowMessageBox(QObject* owner, const std::string& text, const std::string& caption,
                   unsigned flags) {
    return ShowMessageBox(MessageBoxRequest::FromFlags(owner, text, caption, flags));
}

void ShowPlainBox(const std::string& text) {
    ShowMessageBox(nullptr, text, "ZEVO", MB_OK);
}

MessageBoxSeam* InstallMessageBoxSeam(MessageBoxSeam* seam) {
    MessageBoxSeam* previous = g_seam.exchange(seam ? seam : &g_standardError);
    return previous == &g_standardError ? nullptr : previous;
}

}  // namespace platform
