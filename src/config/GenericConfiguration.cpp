#include "config/GenericConfiguration.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "config/FixUserSessions.h"
#include "config/GatewayConfigRules.h"
#include "config/IpAddressCtrl.h"
#include "config/KeyValueFile.h"
#include "core/CommandIds.h"
#include "core/GatewayHost.h"
#include "core/InstalledMarkets.h"
#include "core/MarketType.h"
#include "core/Text.h"
#include "link/RestartRequest.h"
#include "log/ActivityLog.h"
#include "log/Format.h"
#include "platform/MessageBox.h"

namespace {

constexpr int kValueSize = 1024;

std::string Op(const char* name) {
    return std::string("CGenericConfiguration::") + name;
}

QLineEdit* DigitsEdit(QWidget* parent, const char* id) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(id);
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), edit));
    return edit;
}

QLabel* Label(const char* text, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

// "%d" of the decimal conversion of a field's text, as atoi converts it.
int Decimal(const std::string& text) {
    return static_cast<int>(std::strtoll(text.c_str(), nullptr, 10));
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
    setObjectName("150");
    setWindowTitle("Configuration");
    BuildControls();
}

CGenericConfiguration::~CGenericConfiguration() = default;

void CGenericConfiguration::BuildControls() {
    auto* qel = new QGroupBox("QEL Configuration", this);
    m_localIp = new CIpAddressCtrl(qel);
    m_localIp->setObjectName("1022");
    m_wanIp = new CIpAddressCtrl(qel);
    m_wanIp->setObjectName("1023");
    m_boxIdEdit = DigitsEdit(qel, "1026");
    m_brokerIdEdit = new QLineEdit(qel);
    m_brokerIdEdit->setObjectName("1027");
    m_brokerIdEdit->setMaxLength(5);
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
    m_primary->setObjectName("1036");
    m_bcp = new QRadioButton("B&CP", host);
    m_bcp->setObjectName("1037");
    m_hostIp = new CIpAddressCtrl(host);
    m_hostIp->setObjectName("1024");
    m_hostIpLabel = Label("&Host IP : ", m_hostIp, host);
    m_hostIpLabel->setObjectName("1038");
    // The BCP address takes the Host IP's place in the grid; only one of the two shows.
    m_bcpIp = new CIpAddressCtrl(host);
    m_bcpIp->setObjectName("1040");
    m_bcpIpLabel = new QLabel("BCP IP :", host);
    m_bcpIpLabel->setObjectName("1039");
    m_hostPortEdit = DigitsEdit(host, "1025");
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
    QHBoxLayout* buttons = SaveRow(&m_save, &exit, "E&xit", "1032");
    auto* column = new QVBoxLayout(this);
    column->setSizeConstraint(QLayout::SetFixedSize);  // a dialog of fixed size, as designed
    column->addWidget(qel);
    column->addWidget(host);
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

void CGenericConfiguration::OnInitDialog() {
    ZEVO_LOG_ACTIVITY(m_log, Op("OnInitDialog").c_str(), "Initializing dialog");
    if (IsMarketCode(m_marketType)) {
        setWindowTitle(kCaptions[m_marketType - 1]);
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
    auto show = [](QLineEdit* edit, const std::string& text) {
        if (edit->text().toStdString() != text) {
            edit->setText(QString::fromStdString(text));
        }
    };
    show(m_boxIdEdit, m_boxIdText);
    show(m_brokerIdEdit, m_brokerIdText);
    show(m_hostPortEdit, m_hostPortText);
    m_primary->setChecked(m_nRadioPrimary == 0);
    m_bcp->setChecked(m_nRadioPrimary == 1);
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
    using text::EqualsIgnoreCase;
    bool changed = false;
    m_localIpChanged = EqualsIgnoreCase(m_localIp->Text(), m_localIpRead) ? 0 : 1;
    changed |= m_localIpChanged == 1;
    changed |= !EqualsIgnoreCase(m_wanIp->Text(), m_wanIpRead);
    changed |= !EqualsIgnoreCase(m_hostIp->Text(), m_primaryHostIpRead);
    changed |= !EqualsIgnoreCase(m_bcpIp->Text(), m_bcpIpRead);
    changed |= Decimal(m_hostPortText) != m_hostPortRead;
    changed |= Decimal(m_boxIdText) != m_boxIdRead;
    m_brokerIdChanged = EqualsIgnoreCase(m_brokerIdText, m_brokerIdRead) ? 0 : 1;
    changed |= m_brokerIdChanged == 1;
    const char* selected = m_nRadioPrimary == 0 ? "PRIMARY" : m_nRadioPrimary == 1 ? "BCP" : "";
    changed |= !EqualsIgnoreCase(selected, m_currentConfig);
    m_save->setEnabled(changed);
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
    m_bcpIp->SetAddress(m_bcpIpRead);
    ShowHostPart(true);
    update_save_button();
}

void CGenericConfiguration::OnBcpClicked() {
    m_hostIp->SetAddress(m_primaryHostIp);
    m_hostPortEdit->setText(QString::fromStdString(Fmt("%d", m_hostPortRead)));
    ShowHostPart(false);
    update_save_button();
}

// Looks `key` up. When the file cannot be opened the dialog ends. A missing key is logged and
// leaves `text`/`number` as the caller set them.
CGenericConfiguration::Lookup CGenericConfiguration::ReadKey(const char* key, int index,
                                                             std::string* text, int* number) {
    const std::string op = Op("read_configuration_parameters");
    char buffer[kValueSize] = {0};
    int value = 0;
    const int result =
        number ? get_int_parameter(m_configFilePath.c_str(), key, &value)
               : get_string_parameter(m_configFilePath.c_str(), key, buffer, kValueSize);
    if (result == 300) {
        ZEVO_LOG_EVENT(m_log, op.c_str(),
                       index == 0 ? "ZEVO could not open QEL config file"
                                  : "ZEVO could not open QEL config file.");
        ShowSetupError();
        EndDialog(-1);
        return Lookup::FileGone;
    }
    if (result == -1) {
        ZEVO_LOG_EVENT(m_log, op.c_str(), Fmt("Cannot read %s from config file.", key));
        return Lookup::Missing;
    }
    if (number) {
        *number = value;
    } else {
        *text = buffer;
    }
    return Lookup::Found;
}

void CGenericConfiguration::read_configuration_parameters() {
    const std::string op = Op("read_configuration_parameters");
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
    ZEVO_LOG_ACTIVITY(m_log, op.c_str(),
                      Fmt("Reading QEL config parameters from file %s", m_configFilePath.c_str()));

    std::string local, wan, hostMachine, primary, bcp = "0.0.0.0", broker;
    int port = 0, boxId = 0;
    if (ReadKey("MACHINE_LAN_IP", 0, &local, nullptr) == Lookup::FileGone)
        return;
    ZEVO_LOG_DETAIL(m_log, op.c_str(), Fmt("MACHINE_LAN_IP = %s", local.c_str()));
    m_localIp->SetAddress(local);
    m_localIpRead = local;
    if (ReadKey("MACHINE_WAN_IP", 1, &wan, nullptr) == Lookup::FileGone)
        return;
    ZEVO_LOG_DETAIL(m_log, op.c_str(), Fmt("MACHINE_WAN_IP = %s", wan.c_str()));
    m_wanIp->SetAddress(wan);
    m_wanIpRead = wan;
    if (ReadKey("HOST_MACHINE_IP", 2, &hostMachine, nullptr) == Lookup::FileGone)
        return;
    ZEVO_LOG_DETAIL(m_log, op.c_str(), Fmt("HOST_MACHINE_IP = %s", hostMachine.c_str()));
    const Lookup primaryLookup = ReadKey("PRIMARY_HOST_IP", 3, &primary, nullptr);
    if (primaryLookup == Lookup::FileGone)
        return;
    if (primaryLookup == Lookup::Missing) {
        ZEVO_LOG_DETAIL(m_log, op.c_str(), "Copying HOST_IP to PRIMARY_HOST_IP.");
        primary = hostMachine;
    }
    ZEVO_LOG_DETAIL(m_log, op.c_str(), Fmt("PRIMARY_HOST_IP = %s", primary.c_str()));
    m_hostIp->SetAddress(primary);
    m_primaryHostIp = m_primaryHostIpRead = primary;
    if (ReadKey("BCP_HOST_IP", 4, &bcp, nullptr) == Lookup::FileGone)
        return;
    ZEVO_LOG_DETAIL(m_log, op.c_str(), Fmt("BCP_HOST_IP = %s", bcp.c_str()));
    m_bcpIp->SetAddress(bcp);
    m_bcpIpRead = bcp;
    if (ReadKey("CURRENT_CONFIG", 5, &m_currentConfig, nullptr) == Lookup::FileGone)
        return;
    ZEVO_LOG_DETAIL(m_log, op.c_str(), Fmt("CURRENT_CONFIG = %s", m_currentConfig.c_str()));
    if (text::EqualsIgnoreCase(m_currentConfig, "BCP")) {
        m_nRadioPrimary = 1;
        ShowHostPart(false);
    } else {
        if (!text::EqualsIgnoreCase(m_currentConfig, "PRIMARY")) {
            ZEVO_LOG_DETAIL(m_log, op.c_str(), "Unknown value of CURRENT_CONFIG flag");
            ZEVO_LOG_DETAIL(m_log, op.c_str(), "Setting default values");
            m_currentConfig = "PRIMARY";
            ZEVO_LOG_DETAIL(m_log, op.c_str(),
                            Fmt("CURRENT_CONFIG set to %s", m_currentConfig.c_str()));
            ZEVO_LOG_DETAIL(m_log, op.c_str(), "Configuration (Radio Button) set to Primary");
        }
        m_nRadioPrimary = 0;
        ShowHostPart(true);
    }
    if (ReadKey("HOST_PORT_NUMBER", 6, nullptr, &port) == Lookup::FileGone)
        return;
    ZEVO_LOG_DETAIL(m_log, op.c_str(), Fmt("HOST_PORT_NUMBER = %d", port));
    m_hostPortText = Fmt("%d", port);
    m_hostPortRead = port;
    if (ReadKey("BOX_ID", 7, nullptr, &boxId) == Lookup::FileGone)
        return;
    ZEVO_LOG_DETAIL(m_log, op.c_str(), Fmt("BOX_ID = %d", boxId));
    m_boxIdText = Fmt("%d", boxId);
    m_boxIdRead = boxId;
    if (ReadKey("BROKER_ID", 8, &broker, nullptr) == Lookup::FileGone)
        return;
    ZEVO_LOG_DETAIL(m_log, op.c_str(), Fmt("BROKER_ID = %s", broker.c_str()));
    m_brokerIdText = m_brokerIdRead = broker;
    m_save->setEnabled(false);
    UpdateData(false);
}

int CGenericConfiguration::validate_parameters() {
    UpdateData(true);
    GatewayConfigValues values;
    values.localIp = m_localIp->Text();
    values.wanIp = m_wanIp->Text();
    values.hostIp = m_hostIp->Text();
    values.bcpIp = m_bcpIp->Text();
    values.hostPort = m_hostPortText;
    values.boxId = m_boxIdText;
    values.brokerId = m_brokerIdText;
    values.radioPrimary = m_nRadioPrimary;
    const GatewayConfigRuleBreak broken = CheckGatewayConfiguration(
        values, m_marketType, m_log, ZEVO_LOG_SITE("CGenericConfiguration"));
    if (broken.field == GatewayConfigField::None) {
        return 0;
    }
    if (!broken.box.empty()) {
        platform::ShowMessageBox(this, broken.box, "Error", platform::MB_OK | broken.icon);
    }
    if (!broken.restore) {
        return 200;
    }
    switch (broken.field) {
        case GatewayConfigField::LocalIp:
            m_localIp->SetAddress(m_localIpRead);
            break;
        case GatewayConfigField::WanIp:
            m_wanIp->SetAddress(m_wanIpRead);
            break;
        case GatewayConfigField::HostIp:
            m_hostIp->SetAddress(m_primaryHostIpRead);
            break;
        case GatewayConfigField::BcpIp:
            m_bcpIp->SetAddress(m_bcpIpRead);
            break;
        case GatewayConfigField::HostPort:
            m_hostPortText = Fmt("%d", m_hostPortRead);
            break;
        case GatewayConfigField::BoxId:
            m_boxIdText = Fmt("%d", m_boxIdRead);
            break;
        case GatewayConfigField::BrokerId:
            m_brokerIdText = m_brokerIdRead;
            break;
        default:
            break;
    }
    return 200;
}

void CGenericConfiguration::save_configuration_parameters() {
    const std::string op = Op("save_configuration_parameters");
    if (GatewayRuns() &&
        platform::ShowMessageBox(
            this, " QEL will restart to take changes into effect. Do you want to continue?",
            "Warning", platform::MB_YESNO | platform::MB_ICONQUESTION | platform::MB_DEFBUTTON2) ==
            platform::IDNO) {
        read_configuration_parameters();
        return;
    }
    UpdateData(true);
    if (validate_parameters() != 0) {
        UpdateData(false);
        m_save->setEnabled(false);
        ZEVO_LOG_ACTIVITY(m_log, op.c_str(), "Validation(s) failed.");
        return;
    }
    ZEVO_LOG_ACTIVITY(m_log, op.c_str(), "Validation(s) Successful.");
    m_primaryHostIp = m_hostIp->Text();
    const bool primary = m_nRadioPrimary == 0;
    m_currentConfig = primary ? "PRIMARY" : "BCP";
    const std::string localIp = m_localIp->Text();
    const std::string brokerId = m_brokerIdText;
    const std::string values[8] = {localIp,
                                   m_wanIp->Text(),
                                   primary ? m_primaryHostIp : m_bcpIp->Text(),
                                   Fmt("%d", Decimal(m_hostPortText)),
                                   Fmt("%d", Decimal(m_boxIdText)),
                                   brokerId,
                                   m_primaryHostIp,
                                   m_currentConfig};
    char error[kValueSize] = {0};
    const int result = WriteGatewayConfiguration(m_configFilePath, values, error);
    if (result == 200 || result == 300) {
        ZEVO_LOG_EVENT(m_log, op.c_str(), error);
        ZEVO_LOG_EVENT(m_log, op.c_str(),
                       result == 200 ? "Parameter(s) updation failed in qel configuration file."
                                     : "ZEVO could not open QEL config file");
        ShowSetupError();
        return;
    }
    if (IsMarketCode(m_marketType) && fix_enabled[m_marketType - 1] == 1 &&
        (m_brokerIdChanged == 1 || m_localIpChanged == 1)) {
        UpdateFixFile(brokerId, localIp);
    }
    std::string text = "Parameter(s) updated successfully in QEL configuration file.";
    ZEVO_LOG_ACTIVITY(m_log, op.c_str(), text);
    if (GatewayRuns()) {
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

void CGenericConfiguration::UpdateFixFile(const std::string& brokerId, const std::string& localIp) {
    CFixUserSessions sessions(m_marketType, m_configFilePath, m_fixConfigFilePath,
                              m_interactivePort, m_log, m_host, this);
    sessions.OnBrokerIDLocalIPChanged(brokerId, localIp);
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
