#pragma once

#include <QWidget>
#include <array>
#include <string>

class QLineEdit;

// An IPv4 address entered in four octet fields of 0 to 255, as operators know it from the
// gateway machine's own network settings: "." or a full field moves on to the next field,
// Backspace in an empty field moves back, a pasted dotted address fills all four fields (an
// address with a part that no field could hold is refused whole).
// Every change of a field is reported by fieldChanged.
class CIpAddressCtrl : public QWidget {
    Q_OBJECT
  public:
    explicit CIpAddressCtrl(QWidget* parent = nullptr);

    // "%d.%d.%d.%d" of the four fields (a blank field counts as 0), or empty when all four are
    // blank.
    std::string Text() const;
    // Fills the fields from a dotted text; missing or unreadable parts become 0.
    void SetAddress(const std::string& dotted);
    void ClearAddress();
    QLineEdit* Field(int index) const { return m_fields[index]; }

  signals:
    void fieldChanged();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    int IndexOf(QObject* field) const;
    void OnFieldEdited(int index);
    void MoveTo(int index, bool selectAll);
    bool PasteInto(const QString& text);

    std::array<QLineEdit*, 4> m_fields{};
};
