#include "app/QtMessageBoxes.h"

#include <QMessageBox>

namespace {

QMessageBox::Icon IconOf(platform::BoxIcon icon) {
    switch (icon) {
        case platform::BoxIcon::Error:
            return QMessageBox::Critical;
        case platform::BoxIcon::Question:
            return QMessageBox::Question;
        case platform::BoxIcon::Warning:
            return QMessageBox::Warning;
        case platform::BoxIcon::Information:
            return QMessageBox::Information;
        case platform::BoxIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

int QtMessageBoxes::Show(const platform::MessageBoxRequest& request) {
    QMessageBox box(qobject_cast<QWidget*>(request.owner));
    box.setText(QString::fromStdString(request.text));
    box.setWindowTitle(QString::fromStdString(request.caption));
    box.setIcon(IconOf(request.icon));
    if (request.buttons == platform::BoxButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(request.defaultAnswer == platform::IDNO ? QMessageBox::No
                                                                     : QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes ? platform::IDYES : platform::IDNO;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return platform::IDOK;
}
