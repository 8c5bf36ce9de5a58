#include "config/FixConfiguration.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/Text.h"
#include "config/ConfigTransaction.h"
#include "config/ControlIds.h"
#include "config/FixSessionFile.h"
#include "config/KeyValueFile.h"
#include "core/GatewayHost.h"
#include "core/MarketType.h"
#include "link/RestartRequest.h"
#include "log/ActivityLog.h"
#include "log/Format.h"
#include "platform/MessageBox.h"

namespace {

std::string Op(const char* name) {
    return std::string("CFixConfiguration::") + name;
}

const char* const kTitles[] = {"FIX Configuration - CM", "FIX Configuration- FO",
                               "FIX Configuration- WDM", "FIX Configuration- IPO",
                               "FIX Configuration- CD",  "FIX Configuration- SLBM",
                               "FIX Configuration- MF"};

// Values of at most 4 characters are read.
constexpr int kFlagSize = 5;

const char* Letter(int checked) {
    return checked ? "Y" : "N";
}

}  // namespace

CFixConfiguration::CFixConfiguration(int marketType, const std::string& configFilePath,
                                     const std::string& fixConfigFilePath,
                                     std::uint16_t interactivePort, ActivityLog* log,
                                     GatewayHost* host, QWidget* parent)
    : CConfigDialog(parent),
      m_marketType(marketType),
      m_log(log),
      m_configFilePath(configFilePath),
      m_fixConfigFilePath(fixConfigFilePath),
      m_host(host),
      m_interactivePort(interactivePort) {
    const std::string op = Op("CFixConfiguration");
    ZEVO_LOG_ACTIVITY(
        m_log, op.c_str(),
        Fmt("Market type for dialog is %d - %s", marketType, MarketNameOrEmpty(marketType)));
    ZEVO_LOG_ACTIVITY(m_log, op.c_str(),
                      Fmt("QEL Config file path is - %s", configFilePath.c_str()));
    ZEVO_LOG_ACTIVITY(m_log, op.c_str(),
                      Fmt("FIX Config file path is - %s", fixConfigFilePath.c_str()));
    ZEVO_LOG_ACTIVITY(m_log, op.c_str(),
                      Fmt("Interface thread interactive port is %u", interactivePort));
    setObjectName(control_id::kFixConfigurationDialog);
    setWindowTitle("FIX Configuration");
    BuildControls();
    m_tempFilePath = fix_file::TemporaryPath(m_fixConfigFilePath, m_marketType);
    if (fix_file::Recover(m_fixConfigFilePath, m_tempFilePath, m_log, Site(),
                          "CFixConfiguration") == fix_file::kRecoveryFailed) {
        m_recoveryFailed = true;
        EndDialog(kFailed);
    }
}

CFixConfiguration::~CFixConfiguration() = default;

LogSite CFixConfiguration::Site() const {
    return ZEVO_LOG_SITE("CFixConfiguration");
}

void CFixConfiguration::BuildControls() {
    m_persistBox = new QCheckBox("&Persist Messages", this);
    m_persistBox->setObjectName(control_id::kPersistMessages);
    m_loggingBox = new QCheckBox("FIX &Logging", this);
    m_loggingBox->setObjectName(control_id::kFixLogging);
    QPushButton* exit = nullptr;
    QHBoxLayout* buttons = SaveRow(&m_save, &exit, "E&xit", control_id::kExit);
    auto* column = new QVBoxLayout(this);
    column->setSizeConstraint(QLayout::SetFixedSize);  // a dialog of fixed size, as designed
    column->addWidget(m_persistBox);
    column->addWidget(m_loggingBox);
    column->addLayout(buttons);

    for (QCheckBox* box : {m_persistBox, m_loggingBox}) {
        connect(box, &QCheckBox::clicked, this, [this] { OnCheckBoxClicked(); });
    }
    connect(m_save, &QPushButton::clicked, this, [this] { SaveFixConfigurationParameters(); });
    connect(exit, &QPushButton::clicked, this, [this] { done(QDialog::Rejected); });
}

void CFixConfiguration::OnInitDialog() {
    if (m_recoveryFailed) {
        EndDialog(kFailed);
        return;
    }
    if (IsMarketCode(m_marketType)) {
        setWindowTitle(kTitles[m_marketType - 1]);
    }
    KeepTitleVisible();
    ZEVO_LOG_ACTIVITY(m_log, Op("OnInitDialog").c_str(),
                      Fmt("Market type is %d [%s]", m_marketType, MarketNameOrEmpty(m_marketType)));
    ReadFixConfigurationParameters();
}

bool CFixConfiguration::ReadFlag(const std::string& path, const char* key, const char* fileName,
                                 std::string* stored, int* checked) {
    const std::string op = Op("ReadFixConfigurationParameters");
    char value[kFlagSize] = "";
    const int result = get_string_parameter(path.c_str(), key, value, kFlagSize);
    if (result == kv::kCannotOpen) {
        ZEVO_LOG_EVENT(m_log, op.c_str(), Fmt("ZEVO could not open %s config file.", fileName));
        ShowSetupError();
        EndDialog(kFailed);
        return false;
    }
    if (result == kv::kNotFound) {
        ZEVO_LOG_EVENT(m_log, op.c_str(),
                       Fmt("Cannot read %s from %s config file.", key, fileName));
    } else {
        *stored = value;
    }
    ZEVO_LOG_DETAIL(m_log, op.c_str(), Fmt("%s = %s", key, stored->c_str()));
    if (text::EqualsIgnoreCase(*stored, "N")) {
        *checked = 0;
    } else if (text::EqualsIgnoreCase(*stored, "Y")) {
        *checked = 1;
    } else {
        ZEVO_LOG_DETAIL(m_log, op.c_str(), Fmt("Unknown value of %s flag", key));
        ZEVO_LOG_DETAIL(m_log, op.c_str(), "Setting default values");
        *stored = "Y";
        ZEVO_LOG_DETAIL(m_log, op.c_str(), Fmt("%s set to %s", key, stored->c_str()));
        *checked = 1;
        ZEVO_LOG_DETAIL(m_log, op.c_str(), Fmt("%s Configuration (Check Box) set to Checked", key));
    }
    return true;
}

void CFixConfiguration::ReadFixConfigurationParameters() {
    if (!ReadFlag(m_fixConfigFilePath, "PersistMessages", "FIX", &m_persistMessagesRead,
                  &m_persistMessages) ||
        !ReadFlag(m_configFilePath, "FIX_LOGGING", "QEL", &m_fixLoggingRead, &m_fixLogging)) {
        return;
    }
    m_save->setEnabled(false);
    m_persistBox->setChecked(m_persistMessages == 1);
    m_loggingBox->setChecked(m_fixLogging == 1);
}

void CFixConfiguration::OnCheckBoxClicked() {
    m_persistMessages = m_persistBox->isChecked() ? 1 : 0;
    m_fixLogging = m_loggingBox->isChecked() ? 1 : 0;
    m_persistMessagesChanged =
        text::EqualsIgnoreCase(Letter(m_persistMessages), m_persistMessagesRead) ? 0 : 1;
    m_fixLoggingChanged = text::EqualsIgnoreCase(Letter(m_fixLogging), m_fixLoggingRead) ? 0 : 1;
    m_save->setEnabled(m_persistMessagesChanged == 1 || m_fixLoggingChanged == 1);
}

bool CFixConfiguration::WriteChanges(const char* fixLogging, const char* persistMessages) {
    const std::string op = Op("SaveFixConfigurationParameters");
    // Both files under the configuration lock; when both change, the second must be writable
    // before the first is written.
    ConfigTransaction transaction({m_configFilePath, m_fixConfigFilePath}, m_log, Site(),
                                  "SaveFixConfigurationParameters");
    if (!transaction.Locked() ||
        (m_fixLoggingChanged == 1 && !transaction.MayReplace(m_configFilePath)) ||
        (m_persistMessagesChanged == 1 &&
         !transaction.MayReplace(m_fixConfigFilePath, m_fixLoggingChanged == 1))) {
        ShowRefusal(transaction.Refusal());
        return false;
    }
    if (m_fixLoggingChanged == 1) {
        char keys[1][40] = {"FIX_LOGGING"};
        char values[1][40] = {};
        std::snprintf(values[0], sizeof values[0], "%s", fixLogging);
        char error[kTextBufferSize] = "";
        const int result =
            write_configuration_parameters(m_configFilePath.c_str(), keys, values, 1, error);
        if (result == kv::kUpdateFailed || result == kv::kCannotOpen) {
            ZEVO_LOG_EVENT(m_log, op.c_str(),
                           result == kv::kUpdateFailed
                               ? "Parameter(s) updation failed in QEL configuration file."
                               : "ZEVO could not open QEL config file");
            ShowSetupError();
            return false;
        }
    }
    if (m_persistMessagesChanged != 1) {
        return true;
    }
    switch (fix_file::SetPersistMessages(m_fixConfigFilePath, m_tempFilePath, persistMessages,
                                         m_log, Site())) {
        case fix_file::Outcome::Written:
            return true;
        case fix_file::Outcome::CannotRead:
            platform::ShowMessageBox(this, "Can not open FIX config file", "Error",
                                     platform::MB_OK | platform::MB_ICONEXCLAMATION);
            return false;
        case fix_file::Outcome::RenameFailed:
        case fix_file::Outcome::RemoveFailed:
            EndDialog(kFailed);
            return false;
        default:
            return false;
    }
}

void CFixConfiguration::SaveFixConfigurationParameters() {
    const int persist = m_persistBox->isChecked() ? 1 : 0;
    const int logging = m_loggingBox->isChecked() ? 1 : 0;
    if (!WriteChanges(Letter(logging), Letter(persist))) {
        return;
    }
    std::string text = "Parameter(s) updated successfully in configuration file.";
    ZEVO_LOG_ACTIVITY(m_log, Op("SaveFixConfigurationParameters").c_str(), text);
    const unsigned flags = platform::MB_OK | platform::MB_ICONINFORMATION;
    if (m_host && m_host->IsGatewayRunning(m_marketType)) {
        text += " QEL will restart to take changes into effect.";
        platform::ShowMessageBox(this, text, "Success", flags);
        KillQELExe(m_marketType);
    } else {
        platform::ShowMessageBox(this, text, "Success", flags);
    }
    ReadFixConfigurationParameters();
}

void CFixConfiguration::KillQELExe(int marketType) {
    // Each request opens a session of its own; they all stay with the dialog.
    if (!m_restart) {
        m_restart = std::make_unique<CRestartRequest>(
            ZEVO_LOG_SITE("CFixConfiguration"), "KillQELExe", marketType, m_interactivePort, m_log);
    }
    m_restart->Start();
}
