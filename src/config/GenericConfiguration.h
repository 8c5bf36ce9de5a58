#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "config/ConfigDialog.h"
#include "config/ConfigRestore.h"
#include "config/GatewayConfigFile.h"
#include "link/MessageSink.h"

class ActivityLog;
class CIpAddressCtrl;
class CLimitedEdit;
class CRestartRequest;
class GatewayHost;
class QCheckBox;
class QHBoxLayout;
class QLabel;
class QSpinBox;
class QPushButton;
class QRadioButton;

// One market's gateway network settings, kept in its gateway configuration file: local and
// WAN addresses, box and broker IDs, and the trading host (the primary host, editable, or
// the BCP host, shown read-only). Saving validates, rewrites the file, updates the FIX file
// when the broker ID or local address changed, restarts a running gateway and asks the main
// window to start the applications.
class CGenericConfiguration : public CConfigDialog, public CMessageSink {
    Q_OBJECT
  public:
    // `startupFlag` is 1 for the form opened from the command line, 0 from the menu.
    CGenericConfiguration(int marketType, const std::string& configFilePath,
                          const std::string& fixConfigFilePath, std::uint16_t interactivePort,
                          ActivityLog* log, GatewayHost* host, int startupFlag = 0,
                          QWidget* parent = nullptr);
    ~CGenericConfiguration() override;

    void OnInitDialog() override;
    void read_configuration_parameters();
    void save_configuration_parameters();
    int validate_parameters();
    void update_save_button();

    // CMessageSink: only the restart request's session reports here.
    int RouteMessage(const unsigned char*, std::uint16_t) override { return 0; }
    void OnConnectionEstablished() override {}
    void OnConnectionLost() override {}

  private:
    void BuildControls();
    void UpdateData(bool fromControls);
    GatewayConfigValues FormValues() const;
    void ShowRuleBreak(const GatewayConfigRuleBreak& broken);
    void ShowHostPart(bool primary);
    void OnBrokerIdChanged();
    void OnPrimaryClicked();
    void OnBcpClicked();
    // Kills nothing: sends the running gateway the restart request, so it reloads its files.
    void kill_qel_exe(int marketType);
    bool GatewayRuns() const;
    GatewayConfigTarget SaveTarget() const;
    bool SaveOverConflicts(const std::vector<GatewayConflict>& conflicts);
    QHBoxLayout* ConfirmRow();
    void StartConfirmedSave(FileVersions before, bool runs);

    ActivityLog* m_log;
    int m_marketType;
    std::string m_configFilePath;
    std::string m_fixConfigFilePath;
    std::uint16_t m_interactivePort;
    GatewayHost* m_host;
    int m_startupFlag;
    int m_brokerIdChanged = 0;
    int m_localIpChanged = 0;
    bool m_reading = false;      // field notifications wait while the file is being shown
    bool m_fixFileLags = false;  // the FIX file disagrees with what was read: Save completes it

    CIpAddressCtrl* m_bcpIp = nullptr;
    QLabel* m_bcpIpLabel = nullptr;
    QLabel* m_hostIpLabel = nullptr;
    CLimitedEdit* m_hostPortEdit = nullptr;
    QPushButton* m_save = nullptr;
    CIpAddressCtrl* m_hostIp = nullptr;
    CIpAddressCtrl* m_wanIp = nullptr;
    CIpAddressCtrl* m_localIp = nullptr;
    CLimitedEdit* m_boxIdEdit = nullptr;
    CLimitedEdit* m_brokerIdEdit = nullptr;
    QRadioButton* m_primary = nullptr;
    QRadioButton* m_bcp = nullptr;
    QCheckBox* m_confirm = nullptr;
    QSpinBox* m_confirmSeconds = nullptr;

    // Members bound to the controls (see UpdateData).
    std::string m_boxIdText;
    std::string m_brokerIdText;
    std::string m_hostPortText;
    int m_nRadioPrimary = -1;

    // What was read from the file, byte for byte; the primary host address, which a save
    // also sets and the BCP choice puts back into the Host IP.
    GatewayConfigRead m_read;
    std::string m_primaryHostIp;

    std::unique_ptr<CRestartRequest> m_restart;
};
