#pragma once

#include <string>

#include "config/ConfigDialog.h"

class ActivityLog;
class CLimitedEdit;
class QPushButton;

// The setting common to all markets: how many days of repository history the gateways keep
// (REPOSITORY_HISTORY of the common configuration file). No gateway restarts for it.
class CCommonConfig : public CConfigDialog {
    Q_OBJECT
  public:
    CCommonConfig(int marketType, const std::string& commonConfigFilePath, ActivityLog* log,
                  QWidget* parent = nullptr);

    void OnInitDialog() override;
    void read_configuration_parameters();
    int validate_parameters();
    void save_configuration_parameters();

    // Enter closes the dialog here, as Exit does.
    void accept() override { done(QDialog::Accepted); }

  private:
    void OnFieldChanged();

    int m_marketType;
    ActivityLog* m_log;
    std::string m_commonConfigFilePath;
    CLimitedEdit* m_field = nullptr;
    QPushButton* m_save = nullptr;
    int m_lastRead = 0;
};
