#pragma once

#include <QStringList>
#include <initializer_list>

#include "views/ListSort.h"

class QHeaderView;
class QTreeWidget;
class QWidget;

// A report list (a QTreeWidget without a tree) as the exchange sort sees it: the rows keep
// their places (and so the selection its row) and take the texts of the rows they follow.
class TreeRows final : public SortableRows {
  public:
    explicit TreeRows(QTreeWidget* tree) : m_tree(tree) {}
    int RowCount() const override;
    std::string Text(int row, int column) const override;
    void Arrange(const std::vector<int>& order) override;

  private:
    QTreeWidget* m_tree;
};

// The width of a list column designed as `designedWidth` pixels for the 8-point dialog font
// (average character width 6 pixels), scaled to the list's font, and never narrower than
// `header` or any of `widestTexts` shown whole in that column.
int ScaledColumnWidth(const QWidget* list, const QHeaderView* headers, int designedWidth,
                      const QString& header, const QStringList& widestTexts);
int ScaledColumnWidth(const QTreeWidget* list, int designedWidth, const QString& header,
                      const QStringList& widestTexts);

// One column of a list as designed: its pixel width for the dialog font and the texts it must
// show whole.
struct DesignedColumn {
    int width;
    QStringList widestTexts;
};
// Sets every column of a report list from its design; returns the columns' total width.
int ScaleColumns(QTreeWidget* list, const std::initializer_list<DesignedColumn>& columns);
