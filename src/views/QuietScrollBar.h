#pragma once

#include <QRect>
#include <QScrollBar>
#include <QStyle>

// A scroll bar that repaints only when what it shows changes: the handle's place and length,
// an arrow becoming usable or not, or its state. A list that grows by a row a second changes
// its bar's range each time, while the handle, once at its shortest, stays where it is; a
// plain bar repaints its whole groove for every row.
class QuietScrollBar : public QScrollBar {
  public:
    explicit QuietScrollBar(Qt::Orientation orientation, QWidget* parent = nullptr);

  protected:
    void sliderChange(SliderChange change) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    struct Shown {
        QRect handle;
        bool atStart = false;
        bool atEnd = false;
        QStyle::State state;
        bool operator==(const Shown&) const = default;
    };
    Shown Now() const;

    Shown m_painted;
};
