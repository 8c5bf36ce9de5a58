#include "views/QuietScrollBar.h"

#include <QStyleOptionSlider>

QuietScrollBar::QuietScrollBar(Qt::Orientation orientation, QWidget* parent)
    : QScrollBar(orientation, parent) {}

QuietScrollBar::Shown QuietScrollBar::Now() const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    return Shown{
        style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this),
        option.sliderValue <= option.minimum, option.sliderValue >= option.maximum, option.state};
}

void QuietScrollBar::sliderChange(SliderChange change) {
    if ((change == SliderRangeChange || change == SliderStepsChange ||
         change == SliderValueChange) &&
        Now() == m_painted) {
        return;
    }
    QScrollBar::sliderChange(change);
}

void QuietScrollBar::paintEvent(QPaintEvent* event) {
    m_painted = Now();
    QScrollBar::paintEvent(event);
}
