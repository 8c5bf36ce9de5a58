#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "config/ConfigDialog.h"
#include "log/LogSite.h"

class ActivityLog;
class CRestartRequest;
class GatewayHost;
class QCheckBox;
class QPushButton;

// Two on/off settings of one market's FIX side: PersistMessages of its FIX configuration
// file and FIX_LOGGING of its gateway configuration file, "Y" or "N" in both. A save while
// the gateway runs restarts it; the dialog stays open.
class CFixConfiguration : public CConfigDialog {
    Q_OBJECT
  public:
    CFixConfiguration(int marketType, const std::string& configFilePath,
                      const std::string& fixConfigFilePath, std::uint16_t interactivePort,
                      ActivityLog* log, GatewayHost* host, QWidget* parent = nullptr);
    ~CFixConfiguration() override;

    void OnInitDialog() override;
    void ReadFixConfigurationParameters();
    void OnCheckBoxClicked();
    void SaveFixConfigurationParameters();

    // Enter closes the dialog without saving, as Exit does.
    void accept() override { done(QDialog::Accepted); }

  private:
    LogSite Site() const;
    void BuildControls();
    // Reads `key` into `stored` and shows it in `box`; false when the file cannot be opened.
    bool ReadFlag(const std::string& path, const char* key, const char* fileName,
                  std::string* stored, int* checked);
    // Writes FIX_LOGGING, then PersistMessages, as far as they changed; false on a failure.
    bool WriteChanges(const char* fixLogging, const char* persistMessages);
    // Kills nothing: sends the running gateway the restart request, so it reloads its files.
    void KillQELExe(int marketType);

    int m_marketType;
    ActivityLog* m_log;
    std::string m_configFilePath;
    std::string m_fixConfigFilePath;
    std::string m_tempFilePath;
    GatewayHost* m_host;
    std::uint16_t m_interactivePort;
    int m_fixLogging = 0;
    int m_persistMessages = 0;
    std::string m_fixLoggingRead;
    std::string m_persistMessagesRead;
    int m_fixLoggingChanged = 0;
    int m_persistMessagesChanged = 0;
    bool m_recoveryFailed = false;

    QCheckBox* m_persistBox = nullptr;
    QCheckBox* m_loggingBox = nullptr;
    QPushButton* m_save = nullptr;
    std::unique_ptr<CRestartRequest> m_restart;
};
