#pragma once

#include <QWidget>
#include <cstdint>
#include <vector>

#include "views/StatisticsTrendModel.h"

class QComboBox;
class QLabel;
class TrendChart;

// The pane under a statistics page's list: the chart of the selected rows' trends, a line of
// words on what is not drawn, and the span of time shown (the last hour at first).
class StatisticsTrendPane : public QWidget {
    Q_OBJECT
  public:
    StatisticsTrendPane(const StatisticsTrends& trends, QWidget* parent = nullptr);

    // Shows the trends of `rows` (in the list's order) as they are at `now`.
    void Show(std::vector<TrendRow> rows, std::int64_t now);
    // Reads the shown rows' histories again at `now`.
    void Refresh(std::int64_t now);

    const StatisticsTrendModel& Model() const { return m_model; }
    // Whether a chart is drawn; without one the pane is its words alone.
    bool Drawing() const { return !m_model.Lines().empty(); }
    // The height of the words alone.
    int NoteHeight() const;
    QLabel* Note() const { return m_note; }
    TrendChart* Chart() const { return m_chart; }
    QComboBox* SpanBox() const { return m_span; }

  private:
    void ShowModel();

    StatisticsTrendModel m_model;
    QLabel* m_note;
    QComboBox* m_span;
    TrendChart* m_chart;
};
