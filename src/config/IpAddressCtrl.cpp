#include "config/IpAddressCtrl.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QStringList>
#include <QToolTip>

#include "config/IpAddress.h"

CIpAddressCtrl::CIpAddressCtrl(QWidget* parent) : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    auto* digits = new QRegularExpressionValidator(QRegularExpression("[0-9]{0,3}"), this);
    for (int i = 0; i < 4; ++i) {
        auto* field = new QLineEdit(this);
        field->setObjectName(QString("octet%1").arg(i));
        field->setValidator(digits);
        field->setAlignment(Qt::AlignCenter);
        field->setMaxLength(3);
        // Wide enough for three digits in the current font, no wider.
        field->setFixedWidth(field->fontMetrics().horizontalAdvance("0000") + 12);
        field->installEventFilter(this);
        connect(field, &QLineEdit::textEdited, this, [this, i] { OnFieldEdited(i); });
        connect(field, &QLineEdit::textChanged, this, &CIpAddressCtrl::fieldChanged);
        m_fields[i] = field;
        row->addWidget(field);
        if (i < 3) {
            row->addWidget(new QLabel(".", this));
        }
    }
    row->addStretch(1);
    // Focus given to the control (its label's access key, a click between the fields) goes to
    // the first field; Tab goes through the fields themselves.
    setFocusPolicy(Qt::StrongFocus);
    setFocusProxy(m_fields[0]);
}

std::string CIpAddressCtrl::Text() const {
    bool allBlank = true;
    int octets[4] = {0, 0, 0, 0};
    for (int i = 0; i < 4; ++i) {
        allBlank = allBlank && m_fields[i]->text().isEmpty();
        octets[i] = m_fields[i]->text().toInt();
    }
    if (allBlank) {
        return {};
    }
    return FormatIpAddress(octets);
}

void CIpAddressCtrl::SetAddress(const std::string& dotted) {
    int octets[4];
    ParseIpAddress(dotted, octets);
    for (int i = 0; i < 4; ++i) {
        const QString text = QString::number(octets[i]);
        if (m_fields[i]->text() != text) {
            m_fields[i]->setText(text);
        }
    }
}

void CIpAddressCtrl::ClearAddress() {
    for (QLineEdit* field : m_fields) {
        field->clear();
    }
}

int CIpAddressCtrl::IndexOf(QObject* field) const {
    for (int i = 0; i < 4; ++i) {
        if (m_fields[i] == field) {
            return i;
        }
    }
    return -1;
}

void CIpAddressCtrl::OnFieldEdited(int index) {
    QLineEdit* field = m_fields[index];
    // A value above 255 is taken as 255, as the octet cannot hold more.
    if (field->text().toInt() > 255) {
        field->setText("255");
    }
    if (field->text().size() == 3 && field->cursorPosition() == 3 && index < 3) {
        MoveTo(index + 1, true);
    }
}

void CIpAddressCtrl::MoveTo(int index, bool selectAll) {
    QLineEdit* field = m_fields[index];
    field->setFocus(Qt::TabFocusReason);
    if (selectAll) {
        field->selectAll();
    } else {
        field->setCursorPosition(field->text().size());
    }
}

// A pasted text that looks like an address fills all four fields only when every part is
// an octet as it could have been typed (one to three digits, at most 255); any other such
// text is refused whole, so a paste never turns into another address.
bool CIpAddressCtrl::PasteInto(const QString& text) {
    const QStringList parts = text.trimmed().split('.');
    if (parts.size() != 4) {
        return false;  // not an address: the field's own paste takes the digits it accepts
    }
    for (const QString& part : parts) {
        bool number = false;
        const int value = part.toInt(&number);
        if (part.isEmpty() || part.size() > 3 || !number || value < 0 || value > 255 ||
            part.contains('+') || part.contains('-')) {
            // Said where the operator looks, briefly: nothing else shows the paste failed.
            QWidget* field = focusWidget() ? focusWidget() : m_fields[0];
            QToolTip::showText(
                field->mapToGlobal(QPoint(0, field->height())),
                QString("Not pasted: \"%1\" is not a number from 0 to 255").arg(part.left(20)),
                field);
            return true;
        }
    }
    SetAddress(text.trimmed().toStdString());
    MoveTo(3, false);
    return true;
}

bool CIpAddressCtrl::eventFilter(QObject* watched, QEvent* event) {
    const int index = IndexOf(watched);
    if (index < 0 || event->type() != QEvent::KeyPress) {
        return QWidget::eventFilter(watched, event);
    }
    auto* key = static_cast<QKeyEvent*>(event);
    QLineEdit* field = m_fields[index];
    if (key->matches(QKeySequence::Paste)) {
        return PasteInto(QApplication::clipboard()->text());
    }
    if (key->text() == "." && index < 3) {
        if (!field->text().isEmpty()) {
            MoveTo(index + 1, true);
        }
        return true;
    }
    if (key->key() == Qt::Key_Backspace && field->text().isEmpty() && index > 0) {
        MoveTo(index - 1, false);
        return true;
    }
    // A digit typed into a full field goes on into the next one.
    const bool digit = key->text().size() == 1 && key->text()[0].isDigit();
    if (digit && field->text().size() == 3 && !field->hasSelectedText() &&
        field->cursorPosition() == 3 && index < 3) {
        MoveTo(index + 1, true);
        m_fields[index + 1]->insert(key->text());
        OnFieldEdited(index + 1);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
