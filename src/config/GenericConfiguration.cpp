#include "config/GenericConfiguration.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "config/ConfirmedSave.h"
#include "config/ControlIds.h"
#include "config/GatewayConfigFile.h"
#include "config/IpAddressCtrl.h"
#include "config/LimitedEdit.h"
#include "core/CommandIds.h"
#include "core/GatewayHost.h"
#include "core/MarketType.h"
#include "link/RestartRequest.h"
#include "log/ActivityLog.h"
#include "log/Format.h"
#include "platform/MessageBox.h"

namespace {

constexpr int kValueSize = 1024;

std::string Op(const char* name) {
    return std::string("CGenericConfiguration::") + name;
}

// Digits only, of any number: the rules judge the value.
CLimitedEdit* DigitsEdit(QWidget* parent, const char* id) {
    return new CLimitedEdit(32767, CLimitedEdit::Chars::Digits, id, parent);
}

QLabel* Label(const char* text, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

const char* const kCaptions[] = {
    "CM - Configuration", "FO - Configuration",   "WDM - Configuration", "IPO - Configuration",
    "CD - Configuration", "SLBM - Configuration", "MF - Configuration"};

}  // namespace

CGenericConfiguration::CGenericConfiguration(int marketType, const std::string& configFilePath,
                                             const std::string& fixConfigFilePath,
                                             std::uint16_t interactivePort, ActivityLog* log,
                                             GatewayHost* host, int startupFlag, QWidget* parent)
    : CConfigDialog(parent),
      m_log(log),
      m_marketType(marketType),
      m_configFilePath(configFilePath),
      m_fixConfigFilePath(fixConfigFilePath),
      m_interactivePort(interactivePort),
      m_host(host),
      m_startupFlag(startupFlag) {
    ZEVO_LOG_ACTIVITY(
        m_log, Op("CGenericConfiguration").c_str(),
        Fmt("Market type for dialog is %d - %s", marketType, MarketNameOrEmpty(marketType)));
    ZEVO_LOG_ACTIVITY(m_log, Op("CGenericConfiguration").c_str(),
                      Fmt("Interface thread interactive port is  %u", interactivePort));
    setObjectName(control_id::kGatewayConfigurationDialog);
    setWindowTitle("Configuration");
    BuildControls();
}

CGenericConfiguration::~CGenericConfiguration() = default;

void CGenericConfiguration::BuildControls() {
    auto* qel = new QGroupBox("QEL Configuration", this);
    m_localIp = new CIpAddressCtrl(qel);
    m_localIp->setObjectName(control_id::kLocalIp);
    m_wanIp = new CIpAddressCtrl(qel);
    m_wanIp->setObjectName(control_id::kWanIp);
    m_boxIdEdit = DigitsEdit(qel, control_id::kBoxId);
    m_brokerIdEdit = new CLimitedEdit(5, CLimitedEdit::Chars::Any, control_id::kBrokerId, qel);
    auto* qelGrid = new QGridLayout(qel);
    qelGrid->addWidget(Label("&Local IP : ", m_localIp, qel), 0, 0);
    qelGrid->addWidget(m_localIp, 0, 1);
    qelGrid->addWidget(Label("&WAN IP : ", m_wanIp, qel), 1, 0);
    qelGrid->addWidget(m_wanIp, 1, 1);
    qelGrid->addWidget(Label("&Box ID : ", m_boxIdEdit, qel), 2, 0);
    qelGrid->addWidget(m_boxIdEdit, 2, 1);
    qelGrid->addWidget(Label("B&roker ID : ", m_brokerIdEdit, qel), 3, 0);
    qelGrid->addWidget(m_brokerIdEdit, 3, 1);

    auto* host = new QGroupBox("Host Configuration", this);
    m_primary = new QRadioButton("&Primary", host);
    m_primary->setObjectName(control_id::kPrimary);
    m_bcp = new QRadioButton("B&CP", host);
    m_bcp->setObjectName(control_id::kBcp);
    m_hostIp = new CIpAddressCtrl(host);
    m_hostIp->setObjectName(control_id::kHostIp);
    m_hostIpLabel = Label("&Host IP : ", m_hostIp, host);
    m_hostIpLabel->setObjectName(control_id::kHostIpLabel);
    // The BCP address takes the Host IP's place in the grid; only one of the two shows.
    m_bcpIp = new CIpAddressCtrl(host);
    m_bcpIp->setObjectName(control_id::kBcpIp);
    m_bcpIpLabel = new QLabel("BCP IP :", host);
    m_bcpIpLabel->setObjectName(control_id::kBcpIpLabel);
    m_hostPortEdit = DigitsEdit(host, control_id::kHostPort);
    auto* hostGrid = new QGridLayout(host);
    auto* radios = new QHBoxLayout;
    radios->addWidget(m_primary);
    radios->addWidget(m_bcp);
    radios->addStretch(1);
    hostGrid->addLayout(radios, 0, 0, 1, 2);
    hostGrid->addWidget(m_hostIpLabel, 1, 0);
    hostGrid->addWidget(m_bcpIpLabel, 1, 0);
    hostGrid->addWidget(m_hostIp, 1, 1);
    hostGrid->addWidget(m_bcpIp, 1, 1);
    hostGrid->addWidget(Label("H&ost Port : ", m_hostPortEdit, host), 2, 0);
    hostGrid->addWidget(m_hostPortEdit, 2, 1);

    QPushButton* exit = nullptr;
    QHBoxLayout* buttons = SaveRow(&m_save, &exit, "E&xit", control_id::kExit2);
    auto* column = new QVBoxLayout(this);
    column->setSizeConstraint(QLayout::SetFixedSize);  // a dialog of fixed size, as designed
    column->addWidget(qel);
    column->addWidget(host);
    column->addLayout(ConfirmRow());
    column->addLayout(buttons);

    for (CIpAddressCtrl* address : {m_localIp, m_wanIp, m_hostIp, m_bcpIp}) {
        connect(address, &CIpAddressCtrl::fieldChanged, this, [this] { update_save_button(); });
    }
    connect(m_hostPortEdit, &QLineEdit::textChanged, this, [this] { update_save_button(); });
    connect(m_boxIdEdit, &QLineEdit::textChanged, this, [this] { update_save_button(); });
    connect(m_brokerIdEdit, &QLineEdit::textChanged, this, [this] { OnBrokerIdChanged(); });
    connect(m_primary, &QRadioButton::clicked, this, [this] { OnPrimaryClicked(); });
    connect(m_bcp, &QRadioButton::clicked, this, [this] { OnBcpClicked(); });
    connect(m_save, &QPushButton::clicked, this, [this] { save_configuration_parameters(); });
    connect(exit, &QPushButton::clicked, this, [this] { done(QDialog::Rejected); });
}

// A save that rolls itself back unless QEL runs on it: off by default, and not offered where
// the gateway cannot be watched (the start-up form, which never starts the applications).
QHBoxLayout* CGenericConfiguration::ConfirmRow() {
    m_confirm = new QCheckBox("Roll bac&k unless QEL runs again within", this);
    m_confirm->setObjectName(control_id::kConfirmSave);
    m_confirm->setToolTip(
        "After the save and the restart, QEL must run again with a version ZEVO accepts in "
        "time; otherwise the files are put back as they were and QEL is restarted on them.");
    m_confirmSeconds = new QSpinBox(this);
    m_confirmSeconds->setObjectName(control_id::kConfirmSeconds);
    m_confirmSeconds->setRange(5, 3600);
    m_confirmSeconds->setValue(60);
    m_confirmSeconds->setAccessibleName("Seconds before the save is rolled back");
    m_confirmSeconds->setEnabled(false);
    connect(m_confirm, &QCheckBox::toggled, m_confirmSeconds, &QSpinBox::setEnabled);
    // The unit beside the box, not in it: a select-all and a new number then just work.
    auto* unit = new QLabel("seconds", this);
    auto* row = new QHBoxLayout;
    row->addWidget(m_confirm);
    row->addWidget(m_confirmSeconds);
    row->addWidget(unit);
    row->addStretch(1);
    const bool watchable = m_startupFlag != 1 && m_host && m_host->GatewayLogPort(m_marketType) > 0;
    for (QWidget* part : std::initializer_list<QWidget*>{m_confirm, m_confirmSeconds, unit}) {
        part->setVisible(watchable);
    }
    return row;
}

// The restart and start that follow the save, as a confirmed save: ConfirmedSave watches QEL
// come back and rolls the files back to `before` when it does not. It belongs to the main
// window, so it goes on when this dialog is closed.
void CGenericConfiguration::StartConfirmedSave(FileVersions before, bool runs) {
    GatewayHost* host = m_host;
    const int market = m_marketType;
    auto restart = std::make_shared<CRestartRequest>(
        ZEVO_LOG_SITE("CGenericConfiguration"), "kill_qel_exe", market, m_interactivePort, m_log);
    ConfirmedSave::Actions actions;
    actions.runs = [host, market] { return host->IsGatewayRunning(market); };
    actions.restart = [restart] { restart->Start(); };
    actions.startApplications = [host] { host->PostCommand(cmd::kStartApplications); };
    QObject* owner = parentWidget() ? static_cast<QObject*>(parentWidget()) : this;
    auto* confirm =
        new ConfirmedSave(market, static_cast<std::uint16_t>(host->GatewayLogPort(market)),
                          std::move(before), m_confirmSeconds->value(), m_log,
                          ZEVO_LOG_SITE("CGenericConfiguration"), "kill_qel_exe", actions, owner);
    confirm->Start(
        [runs, restart, host] {
            if (runs) {
                restart->Start();
            }
            host->PostCommand(cmd::kStartApplications);
        },
        [confirm, owner](ConfirmedSave::Outcome outcome, const std::string& text) {
            if (outcome != ConfirmedSave::Outcome::kConfirmed) {
                platform::ShowMessageBox(owner, text, "Warning",
                                         platform::MB_OK | platform::MB_ICONEXCLAMATION);
            }
            confirm->deleteLater();
        });
}

void CGenericConfiguration::OnInitDialog() {
    ZEVO_LOG_ACTIVITY(m_log, Op("OnInitDialog").c_str(), "Initializing dialog");
    if (IsMarketCode(m_marketType)) {
        setWindowTitle(kCaptions[m_marketType - 1]);
    }
    // The hidden pair keeps its room, so switching between them moves nothing.
    for (QWidget* widget :
         {static_cast<QWidget*>(m_bcpIpLabel), static_cast<QWidget*>(m_bcpIp),
          static_cast<QWidget*>(m_hostIpLabel), static_cast<QWidget*>(m_hostIp)}) {
        QSizePolicy policy = widget->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        widget->setSizePolicy(policy);
    }
    m_bcpIpLabel->hide();
    m_bcpIp->hide();
    m_bcpIp->setEnabled(false);
    read_configuration_parameters();
}

// Members <-> controls, both ways, for the three bound texts and the radio group. A text
// that already stands in its control is not set again, so no change notification follows.
void CGenericConfiguration::UpdateData(bool fromControls) {
    if (fromControls) {
        m_boxIdText = m_boxIdEdit->text().toStdString();
        m_brokerIdText = m_brokerIdEdit->text().toStdString();
        m_hostPortText = m_hostPortEdit->text().toStdString();
        m_nRadioPrimary = m_primary->isChecked() ? 0 : m_bcp->isChecked() ? 1 : -1;
        return;
    }
    m_boxIdEdit->ShowStoredText(QString::fromStdString(m_boxIdText));
    m_brokerIdEdit->ShowStoredText(QString::fromStdString(m_brokerIdText));
    m_hostPortEdit->ShowStoredText(QString::fromStdString(m_hostPortText));
    m_primary->setChecked(m_nRadioPrimary == 0);
    m_bcp->setChecked(m_nRadioPrimary == 1);
}

// The form as the save takes it. A Broker ID the operator left alone is the file's own
// bytes, which the field may only show approximately (bytes that are not UTF-8).
GatewayConfigValues CGenericConfiguration::FormValues() const {
    GatewayConfigValues values;
    values.localIp = m_localIp->Text();
    values.wanIp = m_wanIp->Text();
    values.hostIp = m_hostIp->Text();
    values.bcpIp = m_bcpIp->Text();
    values.hostPort = m_hostPortText;
    values.boxId = m_boxIdText;
    const QString broker = m_brokerIdEdit->text();
    values.brokerId =
        broker == QString::fromStdString(m_read.brokerId) ? m_read.brokerId : broker.toStdString();
    values.radioPrimary = m_nRadioPrimary;
    return values;
}

void CGenericConfiguration::ShowHostPart(bool primary) {
    m_hostIp->setEnabled(primary);
    m_hostPortEdit->setEnabled(primary);
    m_bcpIpLabel->setVisible(!primary);
    m_hostIpLabel->setVisible(primary);
    m_bcpIp->setVisible(!primary);
    m_hostIp->setVisible(primary);
}

bool CGenericConfiguration::GatewayRuns() const {
    return m_host && m_host->IsGatewayRunning(m_marketType);
}

void CGenericConfiguration::update_save_button() {
    if (m_reading) {
        return;
    }
    UpdateData(true);
    const GatewayConfigChanges changes = CompareWithRead(FormValues(), m_read);
    m_localIpChanged = changes.localIp ? 1 : 0;
    m_brokerIdChanged = changes.brokerId ? 1 : 0;
    m_save->setEnabled(changes.any || m_fixFileLags);
}

void CGenericConfiguration::OnBrokerIdChanged() {
    if (m_reading) {
        return;  // the file's own value is shown as it is
    }
    UpdateData(true);
    std::string kept;
    for (char c : m_brokerIdText) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
            kept += c;
        }
    }
    m_brokerIdText = kept;
    UpdateData(false);
    update_save_button();
}

void CGenericConfiguration::OnPrimaryClicked() {
    m_bcpIp->SetAddress(m_read.bcpHostIp);
    ShowHostPart(true);
    update_save_button();
}

void CGenericConfiguration::OnBcpClicked() {
    m_hostIp->SetAddress(m_primaryHostIp);
    m_hostPortEdit->ShowStoredText(QString::fromStdString(ShownValues(m_read).hostPort));
    ShowHostPart(false);
    update_save_button();
}

void CGenericConfiguration::read_configuration_parameters() {
    m_reading = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{m_reading};
    for (CIpAddressCtrl* address : {m_localIp, m_wanIp, m_hostIp, m_bcpIp}) {
        address->ClearAddress();
    }
    m_hostPortText = m_boxIdText = m_brokerIdText = "0";
    UpdateData(false);
    GatewayConfigRead read;
    read.currentConfig = m_read.currentConfig;  // kept when the key has gone
    if (!ReadGatewayConfiguration(m_configFilePath, m_log, &read)) {
        ShowSetupError(m_configFilePath);
        EndDialog(kFailed);
        return;
    }
    m_read = read;
    m_localIp->SetAddress(read.localIp);
    m_wanIp->SetAddress(read.wanIp);
    m_hostIp->SetAddress(read.primaryHostIp);
    m_primaryHostIp = read.primaryHostIp;
    m_bcpIp->SetAddress(read.bcpHostIp);
    const GatewayConfigValues shown = ShownValues(read);
    m_nRadioPrimary = shown.radioPrimary;
    ShowHostPart(m_nRadioPrimary == 0);
    m_hostPortText = shown.hostPort;
    m_boxIdText = shown.boxId;
    m_brokerIdText = shown.brokerId;
    // A save interrupted between the two files left the FIX file behind: Save completes it.
    m_fixFileLags = FixFileLags(SaveTarget(), read);
    m_save->setEnabled(m_fixFileLags);
    UpdateData(false);
}

GatewayConfigTarget CGenericConfiguration::SaveTarget() const {
    return GatewayTargetOf(m_marketType, m_configFilePath, m_fixConfigFilePath, m_interactivePort);
}

// Someone else changed values this save changes too: the operator saves anyway or reloads.
bool CGenericConfiguration::SaveOverConflicts(const std::vector<GatewayConflict>& conflicts) {
    std::string text = "Someone else changed the configuration file since this window read it:\n";
    for (const GatewayConflict& conflict : conflicts) {
        text += Fmt("%s is now %s (this window read %s)\n", conflict.key.c_str(),
                    conflict.to.empty() ? "missing" : conflict.to.c_str(),
                    conflict.from.empty() ? "nothing" : conflict.from.c_str());
    }
    text += "\nSave your values anyway? No reloads the file and discards your changes.";
    return platform::ShowMessageBox(this, text, "Warning",
                                    platform::MB_YESNO | platform::MB_ICONEXCLAMATION |
                                        platform::MB_DEFBUTTON2) == platform::IDYES;
}

int CGenericConfiguration::validate_parameters() {
    UpdateData(true);
    const GatewayConfigRuleBreak broken =
        CheckGatewayConfiguration(FormValues(), m_marketType, m_log);
    if (broken.field == GatewayConfigField::None) {
        return kValid;
    }
    ShowRuleBreak(broken);
    return kInvalid;
}

// The message of a broken rule, and the refused field shown again as it was read.
void CGenericConfiguration::ShowRuleBreak(const GatewayConfigRuleBreak& broken) {
    if (!broken.box.empty()) {
        platform::ShowMessageBox(this, broken.box, "Error", platform::MB_OK | broken.icon);
    }
    if (!broken.restore) {
        return;
    }
    const GatewayConfigValues shown = ShownValues(m_read);
    switch (broken.field) {
        case GatewayConfigField::LocalIp:
            m_localIp->SetAddress(m_read.localIp);
            break;
        case GatewayConfigField::WanIp:
            m_wanIp->SetAddress(m_read.wanIp);
            break;
        case GatewayConfigField::HostIp:
            m_hostIp->SetAddress(m_read.primaryHostIp);
            break;
        case GatewayConfigField::BcpIp:
            m_bcpIp->SetAddress(m_read.bcpHostIp);
            break;
        case GatewayConfigField::HostPort:
            m_hostPortText = shown.hostPort;
            break;
        case GatewayConfigField::BoxId:
            m_boxIdText = shown.boxId;
            break;
        case GatewayConfigField::BrokerId:
            m_brokerIdText = shown.brokerId;
            break;
        default:
            break;
    }
}

void CGenericConfiguration::save_configuration_parameters() {
    if (GatewayRuns() &&
        platform::ShowMessageBox(
            this, " QEL will restart to take changes into effect. Do you want to continue?",
            "Warning", platform::MB_YESNO | platform::MB_ICONQUESTION | platform::MB_DEFBUTTON2) ==
            platform::IDNO) {
        read_configuration_parameters();
        return;
    }
    UpdateData(true);
    const GatewayConfigTarget target = SaveTarget();
    const bool confirming = !m_confirm->isHidden() && m_confirm->isChecked();
    FileVersions before = confirming ? FilesNow(GatewaySaveFiles(target)) : FileVersions();
    GatewaySaveResult saved = SaveGatewayConfiguration(target, m_read, FormValues(), m_log);
    if (saved.outcome == GatewaySaveResult::Conflict) {
        if (!SaveOverConflicts(saved.conflicts)) {
            read_configuration_parameters();
            return;
        }
        saved = SaveGatewayConfiguration(target, m_read, FormValues(), m_log, {true});
    }
    if (saved.outcome == GatewaySaveResult::Invalid) {
        ShowRuleBreak(saved.broken);
        UpdateData(false);
        m_save->setEnabled(false);
        return;
    }
    if (saved.outcome == GatewaySaveResult::Busy || saved.outcome == GatewaySaveResult::Refused) {
        ShowRefusal(saved.error);
        return;
    }
    if (saved.outcome != GatewaySaveResult::Saved) {
        ShowSetupError();
        return;
    }
    if (saved.fixFileUpdated && !saved.fixFileWritten) {
        // Half a save: the gateway must not restart on a FIX file that disagrees with it.
        platform::ShowMessageBox(
            this,
            Fmt("Parameter(s) updated in QEL configuration file, but the FIX configuration file "
                "%s could not be updated, so QEL was not restarted. Save again to complete it.",
                m_fixConfigFilePath.c_str()),
            "Error", platform::MB_OK | platform::MB_ICONEXCLAMATION);
        read_configuration_parameters();
        return;
    }
    m_primaryHostIp = m_hostIp->Text();
    std::string text = "Parameter(s) updated successfully in QEL configuration file.";
    if (confirming) {
        const bool runs = GatewayRuns();
        if (runs) {
            text += " QEL will restart to take changes into effect.";
        }
        platform::ShowMessageBox(this, text, "Success",
                                 platform::MB_OK | platform::MB_ICONINFORMATION);
        StartConfirmedSave(std::move(before), runs);
    } else if (GatewayRuns()) {
        text += " QEL will restart to take changes into effect.";
        platform::ShowMessageBox(this, text, "Success",
                                 platform::MB_OK | platform::MB_ICONINFORMATION);
        kill_qel_exe(m_marketType);
        if (m_startupFlag != 1 && m_host) {
            m_host->PostCommand(cmd::kStartApplications);
        }
    } else {
        if (m_startupFlag != 1 && m_host) {
            m_host->PostCommand(cmd::kStartApplications);
        }
        platform::ShowMessageBox(this, text, "Success",
                                 platform::MB_OK | platform::MB_ICONINFORMATION);
    }
    read_configuration_parameters();
}

void CGenericConfiguration::kill_qel_exe(int marketType) {
    // Each request opens a session of its own; they all stay with the dialog.
    if (!m_restart) {
        m_restart =
            std::make_unique<CRestartRequest>(ZEVO_LOG_SITE("CGenericConfiguration"),
                                              "kill_qel_exe", marketType, m_interactivePort, m_log);
    }
    m_restart->Start();
}
