#include "views/ReportList.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QStyle>
#include <QTreeWidget>
#include <algorithm>
#include <vector>

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

void TreeRows::Arrange(const std::vector<int>& order) {
    // The items move in one batch; the selection and the current row stay at their places,
    // as when the rows' texts are exchanged.
    const int current = m_tree->indexOfTopLevelItem(m_tree->currentItem());
    std::vector<int> selected;
    for (QTreeWidgetItem* item : m_tree->selectedItems()) {
        selected.push_back(m_tree->indexOfTopLevelItem(item));
    }
    QList<QTreeWidgetItem*> items = m_tree->invisibleRootItem()->takeChildren();
    QList<QTreeWidgetItem*> arranged;
    arranged.reserve(items.size());
    for (int from : order) {
        arranged.push_back(items[from]);
    }
    m_tree->invisibleRootItem()->addChildren(arranged);
    if (current >= 0) {
        m_tree->setCurrentItem(m_tree->topLevelItem(current), 0, QItemSelectionModel::NoUpdate);
    }
    for (int row : selected) {
        m_tree->topLevelItem(row)->setSelected(true);
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
