#include "views/StatisticsTrendPane.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>

#include "views/ControlIds.h"
#include "views/TrendChart.h"

namespace {

struct Span {
    const char* text;
    std::int64_t seconds;
};
// The whole last hour is at full resolution; longer spans show minutes before it.
constexpr Span kSpans[] = {{"Last 15 minutes", 900},
                           {"Last hour", 3600},
                           {"Last 6 hours", 6 * 3600},
                           {"Last day", 24 * 3600},
                           {"Last 7 days", 7 * 24 * 3600}};

}  // namespace

StatisticsTrendPane::StatisticsTrendPane(const StatisticsTrends& trends, QWidget* parent)
    : QWidget(parent),
      m_model(trends),
      m_note(new QLabel(this)),
      m_span(new QComboBox(this)),
      m_chart(new TrendChart(m_model, this)) {
    setObjectName(control_id::kTrendPane);
    m_note->setObjectName(control_id::kTrendNote);
    m_span->setObjectName(control_id::kTrendSpan);
    m_chart->setObjectName(control_id::kTrendChart);
    m_note->setWordWrap(true);
    m_note->setTextFormat(Qt::PlainText);
    for (const Span& span : kSpans) {
        m_span->addItem(span.text, QVariant::fromValue<qint64>(span.seconds));
    }
    m_span->setCurrentIndex(1);
    m_span->setAccessibleName("Trend span");
    connect(m_span, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_model.SetSpan(m_span->itemData(index).toLongLong());
        Refresh(m_model.To());
    });
    auto* top = new QHBoxLayout;
    top->addWidget(m_note, 1);
    top->addWidget(m_span, 0, Qt::AlignTop);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(top);
    layout->addWidget(m_chart, 1);
    m_model.Refresh(0);
    ShowModel();
}

void StatisticsTrendPane::Show(std::vector<TrendRow> rows, std::int64_t now) {
    m_model.Select(std::move(rows));
    Refresh(now);
}

void StatisticsTrendPane::Refresh(std::int64_t now) {
    m_model.Refresh(now);
    ShowModel();
}

void StatisticsTrendPane::ShowModel() {
    const QString note = QString::fromStdString(m_model.Note());
    if (m_note->text() != note) {
        m_note->setText(note);
    }
    m_chart->setVisible(Drawing());
    m_span->setVisible(Drawing());
    m_chart->update();
}

int StatisticsTrendPane::NoteHeight() const {
    return m_note->heightForWidth(std::max(width(), m_note->fontMetrics().averageCharWidth() * 40));
}
