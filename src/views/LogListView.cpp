#include "views/LogListView.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStyle>
#include <algorithm>

#include "views/LogMessageModel.h"
#include "views/LogRow.h"

LogListView::LogListView(LogMessageModel* model, QWidget* parent)
    : QAbstractScrollArea(parent),
      m_model(model),
      m_headerTexts(new QStandardItemModel(0, 4, this)),
      m_header(new QHeaderView(Qt::Horizontal, this)),
      m_rowHeight(fontMetrics().height() + 4) {
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
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setSingleStep(20);
    connect(m_header, &QHeaderView::sectionResized, this, [this] {
        UpdateScrollBars();
        viewport()->update();
    });
    connect(m_model, &LogMessageModel::rowsChanged, this, &LogListView::OnRowsChanged);
    connect(m_model, &LogMessageModel::reset, this, &LogListView::OnReset);
    setViewportMargins(0, m_header->sizeHint().height(), 0, 0);
}

int LogListView::columnWidth(int column) const {
    return m_header->sectionSize(column);
}

void LogListView::setColumnWidth(int column, int width) {
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
    return m_hasSelection ? m_model->RowOf(m_selectedPlace) : -1;
}

void LogListView::SelectRow(int row) {
    const int rows = m_model->RowCount();
    if (rows == 0) {
        return;
    }
    row = std::clamp(row, 0, rows - 1);
    m_hasSelection = true;
    m_selectedPlace = m_model->PlaceOf(row);
    if (row < TopRow()) {
        verticalScrollBar()->setValue(row);
    } else if (row >= TopRow() + RowsInSight()) {
        verticalScrollBar()->setValue(row - RowsInSight() + 1);
    }
    viewport()->update();
}

// New rows on top leave the scroll bar's value as it is, as a list that inserts rows at its
// top does: what is in sight moves down by as many rows, and the selection with its row. The
// rows in sight are moved as pixels, so only the new ones are painted. Matches found below
// change only what is in sight at the bottom.
void LogListView::OnRowsChanged(int onTop) {
    UpdateScrollBars();
    if (onTop > 0 && onTop < RowsInSight()) {
        viewport()->scroll(0, onTop * m_rowHeight);
    } else {
        viewport()->update();
    }
}

void LogListView::OnReset() {
    m_hasSelection = false;
    verticalScrollBar()->setValue(0);
    UpdateScrollBars();
    viewport()->update();
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

void LogListView::PlaceHeader() {
    const int height = m_header->sizeHint().height();
    const QRect area = viewport()->geometry();
    m_header->setGeometry(area.left(), area.top() - height, area.width(), height);
}

void LogListView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    PlaceHeader();
    UpdateScrollBars();
}

void LogListView::scrollContentsBy(int dx, int /*dy*/) {
    if (dx != 0) {
        m_header->setOffset(horizontalScrollBar()->value());
    }
    viewport()->update();
}

bool LogListView::viewportEvent(QEvent* event) {
    // A scroll bar that comes or goes resizes the viewport alone: the header follows it.
    if (event->type() == QEvent::Resize) {
        PlaceHeader();
        UpdateScrollBars();
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void LogListView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        m_rowHeight = fontMetrics().height() + 4;
        UpdateScrollBars();
        viewport()->update();
    }
    QAbstractScrollArea::changeEvent(event);
}

void LogListView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const int rows = m_model->RowCount();
    const int top = TopRow();
    const int first = top + event->rect().top() / m_rowHeight;
    const int last = std::min(rows - 1, top + event->rect().bottom() / m_rowHeight);
    const int selected = SelectedRow();
    for (int row = first; row <= last; ++row) {
        PaintRow(painter, row, (row - top) * m_rowHeight, row == selected);
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
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
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
    const int rows = m_model->RowCount();
    const int current = SelectedRow();
    int target = -1;
    switch (event->key()) {
        case Qt::Key_Up:
            target = current < 0 ? TopRow() : current - 1;
            break;
        case Qt::Key_Down:
            target = current < 0 ? TopRow() : current + 1;
            break;
        case Qt::Key_PageUp:
            target = (current < 0 ? TopRow() : current) - RowsInSight();
            break;
        case Qt::Key_PageDown:
            target = (current < 0 ? TopRow() : current) + RowsInSight();
            break;
        case Qt::Key_Home:
            target = 0;
            break;
        case Qt::Key_End:
            target = rows - 1;
            break;
        default:
            QAbstractScrollArea::keyPressEvent(event);
            return;
    }
    if (rows > 0) {
        SelectRow(target);
    }
    event->accept();
}

void LogListView::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    const int row = RowAt(event->position().toPoint().y());
    if (row >= 0 && event->button() == Qt::LeftButton) {
        SelectRow(row);
    }
    event->accept();
}
