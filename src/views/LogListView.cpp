#include "views/LogListView.h"

#include <QAccessible>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QToolTip>
#include <algorithm>

#include "views/LogListAccessible.h"
#include "views/LogMessageModel.h"
#include "views/LogRow.h"

namespace {
constexpr int kMessageColumn = 2;
}  // namespace

LogListView::LogListView(LogMessageModel* model, QWidget* parent)
    : QAbstractScrollArea(parent),
      m_model(model),
      m_headerTexts(new QStandardItemModel(0, 4, this)),
      m_header(new QHeaderView(Qt::Horizontal, this)),
      m_newRowsBar(new QPushButton(this)),
      m_rowHeight(fontMetrics().height() + 4) {
    LogListAccessible::Install();
    // Every row is one line high, so no row is ever measured.
    for (int column = 0; column < 4; ++column) {
        m_headerTexts->setHorizontalHeaderItem(column,
                                               new QStandardItem(kLogColumnHeaders[column]));
    }
    m_header->setModel(m_headerTexts);
    m_header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_header->setHighlightSections(false);
    m_header->setSectionsClickable(false);
    m_header->setStretchLastSection(false);
    m_newRowsBar->setObjectName("logNewRows");
    m_newRowsBar->setFocusPolicy(Qt::NoFocus);
    m_newRowsBar->setCursor(Qt::PointingHandCursor);
    m_newRowsBar->hide();
    connect(m_newRowsBar, &QPushButton::clicked, this, &LogListView::ShowNewest);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setSingleStep(20);
    connect(m_header, &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        if (!m_stretching) {
            if (column == kMessageColumn) {
                m_messageWidth = size;
            }
            StretchMessageColumn();
        }
        UpdateScrollBars();
        viewport()->update();
    });
    connect(m_header, &QHeaderView::sectionHandleDoubleClicked, this, &LogListView::FitColumn);
    connect(m_model, &LogMessageModel::rowsChanged, this, &LogListView::OnRowsChanged);
    connect(m_model, &LogMessageModel::aboutToReset, this, [this] {
        const int row = SelectedRow();
        if (row != m_placedRow || TopRow() != m_placedTop) {
            m_pendingOffset = row >= 0 ? std::clamp(row - TopRow(), 0, RowsInSight() - 1) : 0;
        }
    });
    connect(m_model, &LogMessageModel::reset, this, &LogListView::OnReset);
    // Scrolling by hand shows what arrived above; the bar goes once the top is in sight.
    connect(verticalScrollBar(), &QScrollBar::sliderReleased, this, [this] { UpdateNewRowsBar(); });
    setViewportMargins(0, m_header->sizeHint().height(), 0, 0);
}

int LogListView::columnWidth(int column) const {
    return m_header->sectionSize(column);
}

void LogListView::setColumnWidth(int column, int width) {
    if (column == kMessageColumn) {
        m_messageWidth = width;
    }
    m_header->resizeSection(column, width);
}

int LogListView::TopRow() const {
    return verticalScrollBar()->value();
}

int LogListView::RowsInSight() const {
    return std::max(1, viewport()->height() / m_rowHeight);
}

int LogListView::RowAt(int y) const {
    const int row = TopRow() + y / m_rowHeight;
    return y >= 0 && row < m_model->RowCount() ? row : -1;
}

int LogListView::SelectedRow() const {
    return m_hasCurrent ? m_model->RowOf(m_currentPlace) : -1;
}

int LogListView::AnchorRow() const {
    const int anchor = m_model->RowOf(m_anchorPlace);
    return anchor >= 0 ? anchor : SelectedRow();
}

void LogListView::SelectRow(int row) {
    m_pinned = true;
    MoveCurrent(row, false, false);
}

void LogListView::SelectAll() {
    const int rows = m_model->RowCount();
    if (rows == 0) {
        return;
    }
    m_pinned = true;
    m_pending = false;
    m_selection.Set(0, rows - 1);
    if (!m_hasCurrent || SelectedRow() < 0) {
        m_hasCurrent = true;
        m_currentPlace = m_model->PlaceOf(TopRow());
    }
    Changed();
}

void LogListView::MoveCurrent(int row, bool extend, bool alone) {
    const int rows = m_model->RowCount();
    if (rows == 0) {
        return;
    }
    row = std::clamp(row, 0, rows - 1);
    m_pending = false;
    const bool hadCurrent = m_hasCurrent && SelectedRow() >= 0;
    const int anchor = hadCurrent ? AnchorRow() : row;
    m_hasCurrent = true;
    m_currentPlace = m_model->PlaceOf(row);
    if (!hadCurrent) {
        m_anchorPlace = m_currentPlace;
    }
    if (extend) {
        m_selection.Set(anchor, row);
    } else if (!alone) {
        m_selection.Set(row, row);
        m_anchorPlace = m_currentPlace;
    }
    ScrollTo(row);
    Changed();
}

void LogListView::ScrollTo(int row) {
    if (row < TopRow()) {
        verticalScrollBar()->setValue(row);
    } else if (row >= TopRow() + RowsInSight()) {
        verticalScrollBar()->setValue(row - RowsInSight() + 1);
    }
}

void LogListView::Changed() {
    viewport()->update();
    emit selectionChanged();
    // Qt hands events to screen readers only while one listens; the events cost little.
    QAccessibleEvent selection(this, QAccessible::SelectionWithin);
    QAccessible::updateAccessibility(&selection);
    const int current = SelectedRow() - TopRow();
    if (hasFocus() && current >= 0 && current < RowsShownInSight()) {
        QAccessibleEvent focus(this, QAccessible::Focus);
        focus.setChild(LogListAccessible::IndexOf(current, 0));
        QAccessible::updateAccessibility(&focus);
    }
}

void LogListView::RowsInSightMoved() {
    QAccessibleTableModelChangeEvent event(this, QAccessibleTableModelChangeEvent::ModelReset);
    QAccessible::updateAccessibility(&event);
}

int LogListView::RowsShownInSight() const {
    return std::clamp(m_model->RowCount() - TopRow(), 0, RowsInSight());
}

QRect LogListView::CellRect(int row, int column) const {
    return QRect(m_header->sectionViewportPosition(column), (row - TopRow()) * m_rowHeight,
                 m_header->sectionSize(column), m_rowHeight);
}

QString LogListView::CellText(int row, int column) const {
    return QString::fromStdString(CellTexts(m_model->Row(row))[column]);
}

QString LogListView::SelectedRowsText(bool headers) const {
    QString text;
    const auto line = [&text](const std::vector<std::string>& cells) {
        for (std::size_t i = 0; i < cells.size(); ++i) {
            text += QString::fromStdString(cells[i]);
            text += i + 1 < cells.size() ? '\t' : '\n';
        }
    };
    if (headers && !m_selection.Empty()) {
        line({std::begin(kLogColumnHeaders), std::end(kLogColumnHeaders)});
    }
    const int rows = m_model->RowCount();
    for (const LogSelection::Range& range : m_selection.Ranges()) {
        for (int row = range.first; row <= range.last && row < rows; ++row) {
            line(CellTexts(m_model->Row(row)));
        }
    }
    return text;
}

int LogListView::NewRowsAbove() const {
    return std::min(m_newAbove, TopRow());
}

void LogListView::ShowNewest() {
    m_pinned = false;
    m_newAbove = 0;
    verticalScrollBar()->setValue(0);
    UpdateNewRowsBar();
}

// Where the operator is not at the top, holds the scroll bar or has picked a row, new rows
// on top move the scroll value by as many rows: nothing in sight moves and nothing is
// painted. At the top the list follows them.
bool LogListView::Following() const {
    return TopRow() == 0 && !verticalScrollBar()->isSliderDown() && !m_pinned;
}

void LogListView::OnRowsChanged(int onTop) {
    if (onTop <= 0) {
        // Matches found below: rows in sight at the bottom may be new.
        UpdateScrollBars();
        if (m_pending) {
            PlacePendingRow();
        }
        viewport()->update();
        RowsInSightMoved();
        return;
    }
    const bool follow = Following();
    const int before = TopRow();
    m_selection.Shift(onTop);
    UpdateScrollBars();
    if (!follow) {
        m_holding = true;
        verticalScrollBar()->setValue(before + onTop);
        m_holding = false;
        m_newAbove += onTop;
        UpdateNewRowsBar();
        return;
    }
    if (onTop < RowsInSight() && !(hasFocus() && !m_hasCurrent)) {
        viewport()->scroll(0, onTop * m_rowHeight);  // only the new rows are painted
    } else {
        viewport()->update();
    }
    RowsInSightMoved();
}

// A new connection empties the list: nothing stays selected. A new filter keeps the current
// row when it is among the rows it shows, at its place on screen; while the filter still looks
// through older rows, the row is placed once it is found.
void LogListView::OnReset(bool emptied) {
    m_newAbove = 0;
    m_selection.Clear();
    m_pending = !emptied && m_hasCurrent;
    if (!m_pending) {
        m_hasCurrent = false;
        m_pinned = false;
    }
    UpdateScrollBars();
    verticalScrollBar()->setValue(0);
    PlacePendingRow();
    UpdateNewRowsBar();
    RowsInSightMoved();
    Changed();
}

void LogListView::PlacePendingRow() {
    if (!m_pending) {
        return;
    }
    const int row = m_model->RowOf(m_currentPlace);
    if (row < 0) {
        if (!m_model->Searching()) {
            m_pending = false;  // not among the rows shown: nothing is selected
            m_hasCurrent = false;
            m_pinned = false;
            Changed();
        }
        return;
    }
    m_pending = false;
    m_selection.Set(row, row);
    m_anchorPlace = m_currentPlace;
    UpdateScrollBars();
    verticalScrollBar()->setValue(std::max(0, row - m_pendingOffset));
    m_placedRow = row;
    m_placedTop = TopRow();
    Changed();
}

bool LogListView::SelectionInSight() const {
    const int top = TopRow();
    for (const LogSelection::Range& range : m_selection.Ranges()) {
        if (range.last >= top && range.first < top + RowsInSight()) {
            return true;
        }
    }
    return false;
}

void LogListView::UpdateScrollBars() {
    const int rows = m_model->RowCount();
    const int inSight = RowsInSight();
    QScrollBar* vertical = verticalScrollBar();
    vertical->setPageStep(inSight);
    vertical->setRange(0, std::max(0, rows - inSight));
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setPageStep(viewport()->width());
    horizontal->setRange(0, std::max(0, m_header->length() - viewport()->width()));
}

void LogListView::UpdateNewRowsBar() {
    const int count = NewRowsAbove();
    if (count <= 0) {
        m_newAbove = TopRow() == 0 ? 0 : m_newAbove;
        m_newRowsBar->hide();
        return;
    }
    const QString number = QLocale(QLocale::English).toString(count);
    m_newRowsBar->setText(
        QString("%1 new %2 - Home to see them").arg(number, count == 1 ? "row" : "rows"));
    m_newRowsBar->resize(m_newRowsBar->sizeHint());
    const QRect area = viewport()->geometry();
    m_newRowsBar->move(area.left() + (area.width() - m_newRowsBar->width()) / 2, area.top() + 2);
    m_newRowsBar->show();
    m_newRowsBar->raise();
}

void LogListView::PlaceHeader() {
    const int height = m_header->sizeHint().height();
    const QRect area = viewport()->geometry();
    m_header->setGeometry(area.left(), area.top() - height, area.width(), height);
}

// The Message column takes the width the other columns leave, and never less than it was
// given (by the page, the operator's drag or a double-click on its divider).
void LogListView::StretchMessageColumn() {
    if (m_stretching) {
        return;
    }
    m_stretching = true;
    int others = 0;
    for (int column = 0; column < 4; ++column) {
        others += column == kMessageColumn ? 0 : m_header->sectionSize(column);
    }
    const int wanted = std::max(m_messageWidth, viewport()->width() - others);
    if (m_header->sectionSize(kMessageColumn) != wanted) {
        m_header->resizeSection(kMessageColumn, wanted);
    }
    m_stretching = false;
}

// The room left and right of a cell's text, as the style leaves it around a focus frame.
int LogListView::CellMargin() const {
    return style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
}

void LogListView::FitColumn(int column) {
    const int margin = CellMargin();
    int width = m_header->sectionSizeHint(column);
    const int rows = m_model->RowCount();
    for (int row = TopRow(); row < std::min(rows, TopRow() + RowsInSight() + 1); ++row) {
        width = std::max(width,
                         fontMetrics().horizontalAdvance(CellText(row, column)) + 2 * margin + 2);
    }
    setColumnWidth(column, width);
    StretchMessageColumn();
}

void LogListView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    PlaceHeader();
    StretchMessageColumn();
    UpdateScrollBars();
    UpdateNewRowsBar();
}

void LogListView::scrollContentsBy(int dx, int /*dy*/) {
    if (dx != 0) {
        m_header->setOffset(horizontalScrollBar()->value());
    }
    if (m_holding) {
        return;  // the rows in sight are the same ones
    }
    viewport()->update();
    UpdateNewRowsBar();
    RowsInSightMoved();
}

bool LogListView::viewportEvent(QEvent* event) {
    // A scroll bar that comes or goes resizes the viewport alone: the header follows it.
    if (event->type() == QEvent::Resize) {
        PlaceHeader();
        StretchMessageColumn();
        UpdateScrollBars();
        UpdateNewRowsBar();
        RowsInSightMoved();
    } else if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        if (!ShowToolTip(help->pos())) {
            QToolTip::hideText();
            event->ignore();
        }
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

// A cell cut short shows its whole text as a tooltip.
bool LogListView::ShowToolTip(const QPoint& at) {
    const int row = RowAt(at.y());
    const int column = m_header->logicalIndexAt(at.x());
    if (row < 0 || column < 0) {
        return false;
    }
    const int margin = CellMargin();
    const QString text = CellText(row, column);
    if (fontMetrics().horizontalAdvance(text) <= m_header->sectionSize(column) - 2 * margin) {
        return false;
    }
    QToolTip::showText(viewport()->mapToGlobal(at), text, viewport(), CellRect(row, column));
    return true;
}

void LogListView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        m_rowHeight = fontMetrics().height() + 4;
        UpdateScrollBars();
        viewport()->update();
    }
    QAbstractScrollArea::changeEvent(event);
}

void LogListView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();  // the focus mark and the selection's active colour
}

void LogListView::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

void LogListView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const int rows = m_model->RowCount();
    const int top = TopRow();
    const int first = top + event->rect().top() / m_rowHeight;
    const int last = std::min(rows - 1, top + event->rect().bottom() / m_rowHeight);
    for (int row = first; row <= last; ++row) {
        PaintRow(painter, row, (row - top) * m_rowHeight, m_selection.Contains(row));
    }
    // The focus mark: on the current row, or on the first row in sight before there is one.
    const int current = SelectedRow();
    const int marked = current >= 0 ? current : (rows > 0 ? top : -1);
    if (hasFocus() && marked >= first && marked <= last) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = QRect(0, (marked - top) * m_rowHeight, viewport()->width(), m_rowHeight);
        option.backgroundColor =
            palette().color(m_selection.Contains(marked) ? QPalette::Highlight : QPalette::Base);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void LogListView::PaintRow(QPainter& painter, int row, int y, bool selected) const {
    const QPalette::ColorGroup group = hasFocus() ? QPalette::Active : QPalette::Inactive;
    if (selected) {
        painter.fillRect(0, y, viewport()->width(), m_rowHeight,
                         palette().brush(group, QPalette::Highlight));
    }
    painter.setPen(palette().color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    const std::vector<std::string> cells = CellTexts(m_model->Row(row));
    const int margin = CellMargin();
    for (int column = 0; column < 4; ++column) {
        const int x = m_header->sectionViewportPosition(column);
        const int width = m_header->sectionSize(column);
        if (x + width < 0 || x > viewport()->width()) {
            continue;
        }
        const QRect cell(x + margin, y, width - 2 * margin, m_rowHeight);
        const QString text = painter.fontMetrics().elidedText(QString::fromStdString(cells[column]),
                                                              Qt::ElideRight, cell.width());
        painter.drawText(cell, Qt::AlignLeft | Qt::AlignVCenter, text);
    }
}

void LogListView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::SelectAll)) {
        SelectAll();
        event->accept();
        return;
    }
    const int current = SelectedRow();
    const int from = current < 0 ? TopRow() : current;
    const bool extend = event->modifiers() & Qt::ShiftModifier;
    const bool alone = event->modifiers() & Qt::ControlModifier;
    int target = -1;
    switch (event->key()) {
        case Qt::Key_Up:
            target = current < 0 ? from : current - 1;
            break;
        case Qt::Key_Down:
            target = current < 0 ? from : current + 1;
            break;
        case Qt::Key_PageUp:
            target = from - RowsInSight();
            break;
        case Qt::Key_PageDown:
            target = from + RowsInSight();
            break;
        case Qt::Key_Home:
            target = 0;
            break;
        case Qt::Key_End:
            target = m_model->RowCount() - 1;
            break;
        case Qt::Key_Space:
            if (alone && current >= 0) {
                m_selection.Toggle(current);
                m_anchorPlace = m_currentPlace;
                Changed();
                event->accept();
                return;
            }
            [[fallthrough]];
        default:
            QAbstractScrollArea::keyPressEvent(event);
            return;
    }
    if (m_model->RowCount() > 0) {
        m_pinned = true;
        MoveCurrent(target, extend, alone && !extend);
        if (event->key() == Qt::Key_Home && !extend && !alone) {
            ShowNewest();  // Home also follows new rows again
        }
    }
    event->accept();
}

void LogListView::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    const int row = RowAt(event->position().toPoint().y());
    if (row >= 0 && event->button() == Qt::LeftButton) {
        m_pinned = true;
        if (event->modifiers() & Qt::ShiftModifier) {
            MoveCurrent(row, true, false);
        } else if (event->modifiers() & Qt::ControlModifier) {
            MoveCurrent(row, false, true);
            m_selection.Toggle(row);
            m_anchorPlace = m_currentPlace;
            Changed();
        } else {
            MoveCurrent(row, false, false);
        }
    } else if (row >= 0 && event->button() == Qt::RightButton && !m_selection.Contains(row)) {
        m_pinned = true;
        MoveCurrent(row, false, false);  // the context menu is for the row under the mouse
    }
    event->accept();
}

// Dragging with the left button selects from where it started; beyond the edges the list
// scrolls a row at a time.
void LogListView::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton) || SelectedRow() < 0) {
        return;
    }
    const int y = event->position().toPoint().y();
    const int row =
        y < 0 ? TopRow() - 1
              : (y >= viewport()->height() ? TopRow() + RowsInSight() : TopRow() + y / m_rowHeight);
    MoveCurrent(row, true, false);
    event->accept();
}
