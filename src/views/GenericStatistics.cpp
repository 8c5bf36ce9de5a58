#include "views/GenericStatistics.h"

#include <QHeaderView>
#include <QLabel>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "base/Text.h"
#include "platform/Clock.h"
#include "views/ControlIds.h"
#include "views/ReportList.h"
#include "views/StatisticsFile.h"
#include "views/StatisticsTrendPane.h"

namespace {

QString FromBytes(const std::string& bytes) {
    return QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size()));
}
}  // namespace

CGenericStatistics::CGenericStatistics(QWidget* parent) : CGenericStatistics(nullptr, parent) {}

CGenericStatistics::CGenericStatistics(ActivityLog* log, QWidget* parent)
    : QWidget(parent),
      m_log(log),
      m_clock(&platform::DefaultClock()),
      m_list(new QTreeWidget),
      m_trendPane(new StatisticsTrendPane(m_trends)),
      m_splitter(new QSplitter(Qt::Vertical, this)) {
    setObjectName(control_id::kStatisticsPage);
    m_list->setObjectName(control_id::kStatisticsList);
    m_list->setRootIsDecorated(false);
    // Several rows are drawn together: Shift and Ctrl extend the selection.
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setHeaderLabels({"Parameter", "Value", "Unit"});
    m_list->header()->setStretchLastSection(false);
    ScaleColumns(m_list, {{200, {}}, {100, {}}, {50, {}}});
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CGenericStatistics::ShowTrend);
    // The list and its caption as they always were; the trend pane below.
    auto* listPart = new QWidget;
    auto* caption = new QLabel("REAL TIME STATISTICS", listPart);
    caption->setAlignment(Qt::AlignCenter);
    auto* listLayout = new QVBoxLayout(listPart);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->addWidget(m_list, 1);
    listLayout->addWidget(caption);
    m_splitter->addWidget(listPart);
    m_splitter->addWidget(m_trendPane);
    m_splitter->setStretchFactor(0, 3);
    m_splitter->setStretchFactor(1, 2);
    m_splitter->setChildrenCollapsible(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 2);
    layout->addWidget(m_splitter);
    FitTrendPane();
}

// Rows are found by the parameter's own bytes, case folded, as the list cell holds them (at
// most 1023 bytes): a name that is not valid text still finds its row, and a pass costs one
// lookup per record however many rows there are.
std::string CGenericStatistics::RowKey(const std::string& parameter) {
    return text::ToLower(std::string_view(parameter).substr(0, 1023));
}

int CGenericStatistics::FindParameterRow(const std::string& parameter) const {
    auto it = m_rows.find(RowKey(parameter));
    return it == m_rows.end() ? -1 : it->second;
}

void CGenericStatistics::UpdateParameter(int, const std::string& parameter, std::string value,
                                         const std::string& unit, std::uint64_t timestamp) {
    const std::int64_t now = m_clock->UnixSeconds();
    int row = FindParameterRow(parameter);
    QTreeWidgetItem* item = nullptr;
    if (row == -1) {
        // The list learns of a new row at once; changed cells are repainted at the pass's end.
        const bool quiet = m_list->model()->blockSignals(false);
        item = new QTreeWidgetItem(m_list, {FromBytes(parameter)});
        m_list->model()->blockSignals(quiet);
        row = m_list->topLevelItemCount() - 1;
        m_rows.emplace(RowKey(parameter), row);
    } else {
        item = m_list->topLevelItem(row);
    }
    m_trends.Take(static_cast<std::size_t>(row), value, timestamp, now);
    if (IsStaleStatistic(now, timestamp)) {
        value.clear();  // a stale figure is shown blank; a future timestamp passes
    }
    for (const auto& [column, text] :
         {std::pair{1, FromBytes(value)}, std::pair{2, FromBytes(unit)}}) {
        if (item->text(column) != text) {
            item->setText(column, text);
            m_passChanged = true;
        }
    }
}

void CGenericStatistics::BeginPass() {
    m_list->model()->blockSignals(true);
    m_passChanged = false;
}

void CGenericStatistics::EndPass() {
    m_list->model()->blockSignals(false);
    if (m_passChanged) {
        m_list->viewport()->update();  // an unchanged pass costs no repaint
    }
    // Even an unchanged pass moves the chart on: the time goes by and a figure may go stale.
    // A page out of sight catches up when it is shown.
    if (m_trendPane->Model().HasSelection() && m_trendPane->isVisible()) {
        ShowTrend();
    }
}

void CGenericStatistics::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_trendPane->Model().HasSelection()) {
        ShowTrend();
    }
}

void CGenericStatistics::ShowTrend() {
    QModelIndexList selected = m_list->selectionModel()->selectedRows();
    std::sort(selected.begin(), selected.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    std::vector<TrendRow> rows;
    for (const QModelIndex& index : selected) {
        const QTreeWidgetItem* item = m_list->topLevelItem(index.row());
        rows.push_back({static_cast<std::size_t>(index.row()), item->text(0).toStdString(),
                        item->text(1).toStdString(), item->text(2).toStdString()});
    }
    m_trendPane->Show(std::move(rows), m_clock->UnixSeconds());
    FitTrendPane();
}

// Until a chart is drawn the pane is a line of words and the list keeps the height; a chart
// takes two fifths of it, which the operator may change with the splitter.
void CGenericStatistics::FitTrendPane() {
    const bool drawn = m_trendPane->Drawing();
    if (!drawn) {
        m_trendPane->setMaximumHeight(m_trendPane->NoteHeight());
    } else if (!m_trendDrawn) {
        m_trendPane->setMaximumHeight(QWIDGETSIZE_MAX);
        const QList<int> sizes = m_splitter->sizes();
        const int total = sizes.value(0) + sizes.value(1);
        m_splitter->setSizes({total - total * 2 / 5, total * 2 / 5});
    }
    m_trendDrawn = drawn;
}

void DispatchStatistics(const std::vector<StatisticsRecord>& records,
                        CGenericStatistics* const views[8]) {
    for (int k = 0; k < 8; ++k) {
        if (views[k]) {
            views[k]->BeginPass();
        }
    }
    for (const StatisticsRecord& record : records) {
        for (int k = 0; k < 8; ++k) {
            if (views[k] && views[k]->MarketType() == record.marketType) {
                views[k]->UpdateParameter(record.marketType, record.parameter, record.value,
                                          record.unit, record.timestamp);
            }
        }
    }
    for (int k = 0; k < 8; ++k) {
        if (views[k]) {
            views[k]->EndPass();
        }
    }
}
