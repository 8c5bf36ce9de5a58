#pragma once

#include <string>

#include "config/ConfigDialog.h"
#include "log/LogSite.h"

class ActivityLog;
class CLimitedEdit;
class QPushButton;

// One FIX user of a market: its user ID (the gateway's trader ID) and branch ID. A new user
// gets a session block appended to the FIX file, unless the user already has a session; an
// edited user gets the TargetCompID line of its block rewritten. Ends with kSaved after a
// rewrite.
// The fields show the stored IDs whole; their digit limits apply to typing only, and a field
// left as it was is written back as read.
class CFixUserDetails : public CConfigDialog {
    Q_OBJECT
  public:
    enum SessionModification { kNewSession = 1, kEditSession = 2 };
    static constexpr int kSaved = 10;

    // `memberId` is the broker ID written as the second part of TargetCompID.
    CFixUserDetails(int marketType, const std::string& userId, const std::string& memberId,
                    const std::string& branchId, const std::string& fixConfigFilePath,
                    int sessionModificationType, ActivityLog* log, QWidget* parent = nullptr);

    // The market's gateway configuration file: at Save, under the configuration lock, the
    // broker ID is taken from it as it is then, not as it was when the users list opened.
    void SetConfigFilePath(const std::string& path) { m_configFilePath = path; }

    void OnInitDialog() override;
    void EnableDisableSaveButton();
    // kValid when both fields are acceptable, kInvalid after telling the operator what is not.
    int ValidateParameters();
    void SaveFixConfigurationParameters();

  private:
    LogSite Site() const;
    void BuildControls();

    int m_marketType;
    int m_sessionModificationType;
    ActivityLog* m_log;
    std::string m_userIdText;
    std::string m_memberId;
    std::string m_branchIdText;
    std::string m_fixConfigFilePath;
    std::string m_configFilePath;
    std::string m_tempFilePath;
    bool m_recoveryFailed = false;

    CLimitedEdit* m_userIdEdit = nullptr;
    CLimitedEdit* m_branchIdEdit = nullptr;
    QPushButton* m_save = nullptr;
};
