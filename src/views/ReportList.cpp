#include "views/ReportList.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QStyle>
#include <QTreeWidget>
#include <algorithm>

namespace {
// Average character width of the font the designed column widths were made for.
constexpr int kDesignFontCharWidth = 6;
}  // namespace

int TreeRows::RowCount() const {
    return m_tree->topLevelItemCount();
}

std::string TreeRows::Text(int row, int column) const {
    return m_tree->topLevelItem(row)->text(column).toStdString();
}

void TreeRows::SwapRows(int first, int second) {
    QTreeWidgetItem* a = m_tree->topLevelItem(first);
    QTreeWidgetItem* b = m_tree->topLevelItem(second);
    for (int column = 0; column < m_tree->columnCount(); ++column) {
        const QString text = a->text(column);
        a->setText(column, b->text(column));
        b->setText(column, text);
    }
}

int ScaledColumnWidth(const QTreeWidget* list, int designedWidth, const QString& header,
                      const QStringList& widestTexts) {
    return ScaledColumnWidth(list, list->header(), designedWidth, header, widestTexts);
}

int ScaleColumns(QTreeWidget* list, const std::initializer_list<DesignedColumn>& columns) {
    int column = 0, total = 0;
    for (const DesignedColumn& designed : columns) {
        const int width = ScaledColumnWidth(list, designed.width, list->headerItem()->text(column),
                                            designed.widestTexts);
        list->setColumnWidth(column++, width);
        total += width;
    }
    return total;
}

int ScaledColumnWidth(const QWidget* list, const QHeaderView* headerView, int designedWidth,
                      const QString& header, const QStringList& widestTexts) {
    const QFontMetrics cells(list->font());
    const QFontMetrics headers(headerView->font());
    const int scaled = designedWidth * cells.averageCharWidth() / kDesignFontCharWidth;
    // Room the header section and the cell keep around their texts.
    const int margin = 2 * list->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, list) +
                       2 * cells.averageCharWidth();
    int widest = headers.horizontalAdvance(header);
    for (const QString& text : widestTexts) {
        widest = std::max(widest, cells.horizontalAdvance(text));
    }
    return std::max(scaled, widest + margin);
}
