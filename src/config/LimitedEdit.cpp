#include "config/LimitedEdit.h"

#include <QValidator>

// Judges each change against the text in front of it, which the field's own validation
// cannot see: a change may not make a text past the limit longer, nor add a character of
// another class. A stored text put in whole passes once.
class LimitedEditValidator : public QValidator {
  public:
    LimitedEditValidator(int maxTyped, CLimitedEdit::Chars chars, QLineEdit* edit)
        : QValidator(edit), m_maxTyped(maxTyped), m_chars(chars) {
        connect(edit, &QLineEdit::textChanged, this, [this](const QString& text) {
            m_previous = text;
            m_passStored = false;
        });
    }

    void PassStoredText() { m_passStored = true; }

    State validate(QString& input, int&) const override {
        if (m_passStored) {
            return Acceptable;
        }
        const bool longer = input.size() > m_maxTyped && input.size() > m_previous.size();
        return longer || ForeignCount(input) > ForeignCount(m_previous) ? Invalid : Acceptable;
    }

  private:
    qsizetype ForeignCount(const QString& text) const {
        if (m_chars == CLimitedEdit::Chars::Any) {
            return 0;
        }
        qsizetype count = 0;
        for (QChar c : text) {
            count += (c < '0' || c > '9') ? 1 : 0;
        }
        return count;
    }

    int m_maxTyped;
    CLimitedEdit::Chars m_chars;
    QString m_previous;
    bool m_passStored = false;
};

CLimitedEdit::CLimitedEdit(int maxTyped, Chars chars, const char* id, QWidget* parent)
    : QLineEdit(parent), m_validator(new LimitedEditValidator(maxTyped, chars, this)) {
    setObjectName(id);
    setValidator(m_validator);
}

void CLimitedEdit::ShowStoredText(const QString& text) {
    if (this->text() == text) {
        return;  // unchanged: no change notification
    }
    m_validator->PassStoredText();
    setText(text);
}
