#pragma once

#include <QLineEdit>

class LimitedEditValidator;

// An edit field whose character limit and character class restrict what the operator can
// type or paste, never what the field shows: a value read from a file that is longer than
// the limit, or holds other characters, is shown whole and can be shortened, but typing
// cannot make it longer nor add a character of another class. Values from files are put in
// with ShowStoredText; setText is for what the operator could have typed.
class CLimitedEdit : public QLineEdit {
    Q_OBJECT
  public:
    enum class Chars { Any, Digits };
    CLimitedEdit(int maxTyped, Chars chars, const char* id, QWidget* parent);

    void ShowStoredText(const QString& text);

  private:
    LimitedEditValidator* m_validator;
};
