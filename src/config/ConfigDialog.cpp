#include "config/ConfigDialog.h"

#include <sys/stat.h>

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLayout>
#include <QPushButton>
#include <QStyle>
#include <algorithm>

#include "config/ControlIds.h"
#include "platform/MessageBox.h"
#include "platform/TextFile.h"
#include "views/FixedSizeDialog.h"

CConfigDialog::CConfigDialog(QWidget* parent) : QDialog(parent) {
    MakeFixedSizeDialogFlags(this);
}

int CConfigDialog::DoModal() {
    // A dialog lives for one visit: an end already asked for (by its constructor) stands.
    OnInitDialog();
    if (m_ended) {
        return m_endResult;
    }
    return exec();
}

void CConfigDialog::setVisible(bool visible) {
    if (visible && !isVisible() && layout()) {
        ensurePolished();
        layout()->activate();
    }
    QDialog::setVisible(visible);
}

void CConfigDialog::EndDialog(int result) {
    m_ended = true;
    m_endResult = result;
    if (isVisible()) {
        done(result);
    }
}

void CConfigDialog::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        auto* focused = qobject_cast<QPushButton*>(focusWidget());
        if (focused && focused->isEnabled() && focused->window() == this) {
            focused->click();
        } else {
            accept();
        }
        return;
    }
    QDialog::keyPressEvent(event);
}

void CConfigDialog::KeepTitleVisible() {
    // Room for the icon and three buttons of a title bar, each about a bar's height wide.
    const int buttons = 5 * style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
    const int title = fontMetrics().horizontalAdvance(windowTitle());
    setMinimumWidth(std::max(minimumWidth(), title + buttons));
}

QPushButton* CConfigDialog::Button(const char* text, const char* id) {
    auto* button = new QPushButton(text, this);
    button->setObjectName(id);
    button->setAutoDefault(false);
    return button;
}

QHBoxLayout* CConfigDialog::SaveRow(QPushButton** save, QPushButton** close, const char* closeText,
                                    const char* closeId) {
    *save = Button("&Save", control_id::kSave);
    (*save)->setEnabled(false);
    *close = Button(closeText, closeId);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(*save);
    row->addWidget(*close);
    return row;
}

void CConfigDialog::ShowSetupError() {
    platform::ShowMessageBox(this, "QEL Setup Error.", "Error", platform::MB_OK);
}

void CConfigDialog::ShowRefusal(const std::string& why) {
    platform::ShowMessageBox(this, why, "Error", platform::MB_OK | platform::MB_ICONEXCLAMATION);
}

void CConfigDialog::ShowSetupError(const std::string& path) {
    // A file that is there but holds no text ZEVO edits (UTF-16, mostly NUL bytes, too
    // large) is named with the reason, which the operator could not guess.
    struct stat info {};
    const std::string why = platform::WhyNotEditableText(path);
    if (why.empty() || stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        ShowSetupError();
        return;
    }
    platform::ShowMessageBox(this, "QEL Setup Error.\n\n" + path + ": " + why, "Error",
                             platform::MB_OK);
}
