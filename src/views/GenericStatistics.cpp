#include "views/GenericStatistics.h"

#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "base/Text.h"
#include "platform/Clock.h"
#include "views/ControlIds.h"
#include "views/ReportList.h"
#include "views/StatisticsFile.h"

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
      m_list(new QTreeWidget(this)) {
    setObjectName(control_id::kStatisticsPage);
    m_list->setObjectName(control_id::kStatisticsList);
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setHeaderLabels({"Parameter", "Value", "Unit"});
    m_list->header()->setStretchLastSection(false);
    ScaleColumns(m_list, {{200, {}}, {100, {}}, {50, {}}});
    auto* caption = new QLabel("REAL TIME STATISTICS", this);
    caption->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 2);
    layout->addWidget(m_list, 1);
    layout->addWidget(caption);
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
    if (IsStaleStatistic(m_clock->UnixSeconds(), timestamp)) {
        value.clear();  // a stale figure is shown blank; a future timestamp passes
    }
    const int row = FindParameterRow(parameter);
    QTreeWidgetItem* item = nullptr;
    if (row == -1) {
        // The list learns of a new row at once; changed cells are repainted at the pass's end.
        const bool quiet = m_list->model()->blockSignals(false);
        item = new QTreeWidgetItem(m_list, {FromBytes(parameter)});
        m_list->model()->blockSignals(quiet);
        m_rows.emplace(RowKey(parameter), m_list->topLevelItemCount() - 1);
    } else {
        item = m_list->topLevelItem(row);
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
