#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "config/ConfigDialog.h"
#include "log/LogSite.h"

class ActivityLog;
class CRestartRequest;
class GatewayHost;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// The FIX users of one market: the session blocks of its FIX configuration file, listed by
// user ID and branch ID, with New, Edit and Delete. After a change, leaving the dialog
// restarts the market's running gateway. The gateway configuration dialog also makes one,
// unseen, to carry a broker-ID or local-address change into the FIX file.
class CFixUserSessions : public CConfigDialog {
    Q_OBJECT
  public:
    CFixUserSessions(int marketType, const std::string& configFilePath,
                     const std::string& fixConfigFilePath, std::uint16_t interactivePort,
                     ActivityLog* log, GatewayHost* host, QWidget* parent = nullptr);
    ~CFixUserSessions() override;

    void OnInitDialog() override;
    // Reloads the list from the FIX file: kListed, or kFailed when the file cannot be opened.
    static constexpr int kListed = 0;
    int RefreshList();
    void OnButtonNew();
    void OnButtonEdit();
    void OnButtonDelete();
    void OnColumnClick(int column);
    // Rewrites every TargetCompID line with the new broker ID and the NicIpAddress line with
    // the new local address.
    void OnBrokerIDLocalIPChanged(const std::string& brokerId, const std::string& localIp);

    // Exit, Enter, Escape and the close box all leave through the exit step.
    void accept() override { OnExit(); }
    void reject() override { OnExit(); }

    const std::string& TemporaryPath() const { return m_tempFilePath; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Lines of this dialog and of the FIX file code it calls name this file.
    LogSite Site() const;
    void BuildControls();
    bool ReadGatewayKeys();
    // The selected row; null, after telling the operator, when there is none.
    QTreeWidgetItem* SelectedRow();
    // Runs the user details dialog; true when it rewrote the FIX file.
    bool RunUserDetails(const std::string& userId, const std::string& branchId, int mode);
    void OnExit();
    // Kills nothing: sends the running gateway the restart request, so it reloads its files.
    void KillQELExe(int marketType);

    int m_marketType;
    int m_numberOfUsers = 0;
    int m_maxUsers = 0;
    std::string m_brokerId;
    ActivityLog* m_log;
    std::string m_configFilePath;
    std::string m_fixConfigFilePath;
    std::string m_tempFilePath;
    int m_configChanged = 0;
    bool m_recoveryFailed = false;
    GatewayHost* m_host;
    int m_sortColumn = 0;
    int m_sortOrder = 1;
    int m_sortType = 2;
    std::uint16_t m_interactivePort;

    QTreeWidget* m_list = nullptr;
    QPushButton* m_edit = nullptr;
    QPushButton* m_delete = nullptr;
    QLabel* m_brokerIdLabel = nullptr;
    QLabel* m_usersLabel = nullptr;
    std::unique_ptr<CRestartRequest> m_restart;
};
