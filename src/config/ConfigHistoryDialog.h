#pragma once

#include <QDialog>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "config/ConfigHistory.h"

class ActivityLog;
class CRestartRequest;
class GatewayHost;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;

// One market's configuration history in the window: its saves newest first (time, user,
// files, what changed), the selected save as a coloured unified diff against the save
// before it or against the files as they are today, and "Restore this version", which is a
// save like any other: under the lock, a commit of its own, and the restart question and
// restart of a running gateway.
class CConfigHistoryDialog : public QDialog {
    Q_OBJECT
  public:
    CConfigHistoryDialog(int market, std::vector<std::string> files, std::uint16_t interactivePort,
                         ActivityLog* log, GatewayHost* host, QWidget* parent = nullptr);
    ~CConfigHistoryDialog() override;

    // Reads the saves anew and selects the newest.
    void Reload();

  private:
    void ShowSelected();
    void RestoreSelected();
    std::string SelectedId() const;

    int m_market;
    std::vector<std::string> m_files;
    std::uint16_t m_interactivePort;
    ActivityLog* m_log;
    GatewayHost* m_host;
    ConfigHistory m_history;
    std::vector<ConfigHistory::Entry> m_entries;

    QLabel* m_state = nullptr;
    QTreeWidget* m_saves = nullptr;
    QRadioButton* m_againstParent = nullptr;
    QRadioButton* m_againstToday = nullptr;
    QPlainTextEdit* m_diff = nullptr;
    QPushButton* m_restore = nullptr;
    std::unique_ptr<CRestartRequest> m_restart;
};
