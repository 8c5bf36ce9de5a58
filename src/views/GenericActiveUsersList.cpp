#include "views/GenericActiveUsersList.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/MarketType.h"
#include "link/ActiveUsersRequests.h"
#include "link/MessageFrame.h"
#include "link/UserInformation.h"
#include "link/ZEVOHelper.h"
#include "log/ActivityLog.h"
#include "log/Format.h"
#include "views/ControlIds.h"
#include "views/FixedSizeDialog.h"
#include "views/ReportList.h"

namespace {

// The market's name in log texts; empty for a code without one.
QLabel* FieldLabel(const char* id, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(id);
    label->setMinimumWidth(120);
    return label;
}

}  // namespace

CGenericActiveUsersList::CGenericActiveUsersList(int marketType, int interactivePort,
                                                 ActivityLog* log, QWidget* parent)
    : QDialog(parent), m_log(log), m_marketType(marketType), m_port(Fmt("%d", interactivePort)) {
    static const char* const op = "CGenericActiveUsersList::CGenericActiveUsersList";
    ZEVO_LOG_ACTIVITY(
        m_log, op,
        Fmt("Market type for dialog is %d - %s", marketType, MarketNameOrEmpty(marketType)));
    ZEVO_LOG_ACTIVITY(m_log, op, Fmt("INTERFACE_THREAD_INTERACTIVE_IP is %s", m_address.c_str()));
    ZEVO_LOG_ACTIVITY(m_log, op, Fmt("Port no. is %d", interactivePort));

    setObjectName(control_id::kActiveUsersDialog);
    setWindowTitle("Active Users List");
    auto* box = new QGroupBox(this);
    auto* fields = new QGridLayout(box);
    m_boxIdLabel = FieldLabel(control_id::kBoxIdLabel, box);
    m_boxStateLabel = FieldLabel(control_id::kBoxState, box);
    m_userCountLabel = FieldLabel(control_id::kUserCount, box);
    fields->addWidget(new QLabel("Box ID : ", box), 0, 0);
    fields->addWidget(m_boxIdLabel, 0, 1);
    fields->addWidget(new QLabel("QEL Box Status : ", box), 1, 0);
    fields->addWidget(m_boxStateLabel, 1, 1);
    fields->addWidget(new QLabel("No.of connected users : ", box), 2, 0);
    fields->addWidget(m_userCountLabel, 2, 1);
    m_users = new QTreeWidget(this);
    m_users->setObjectName(control_id::kActiveUsersList);
    m_users->setRootIsDecorated(false);
    m_users->setSelectionMode(QAbstractItemView::SingleSelection);
    m_refresh = new QPushButton("&Refresh", this);
    m_refresh->setObjectName(control_id::kRefresh);
    m_refresh->setEnabled(false);
    m_refresh->setAutoDefault(false);
    auto* exitButton = new QPushButton("E&xit", this);
    exitButton->setObjectName(control_id::kExit);
    // No default button: Enter does nothing here.
    exitButton->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_refresh);
    buttons->addWidget(exitButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(box);
    layout->addWidget(m_users, 1);
    layout->addLayout(buttons);
    resize(390, 330);
    MakeFixedSizeDialog(this);

    connect(m_refresh, &QPushButton::clicked, this,
            &CGenericActiveUsersList::OnButtonActiveUsersListRefresh);
    connect(exitButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_users->header(), &QHeaderView::sectionClicked, this,
            &CGenericActiveUsersList::OnColumnClick);
    OnInitDialog();
}

CGenericActiveUsersList::~CGenericActiveUsersList() {
    PostNcDestroy();
}

void CGenericActiveUsersList::OnInitDialog() {
    static const char* const op = "CGenericActiveUsersList::OnInitDialog";
    ZEVO_LOG_ACTIVITY(m_log, op, "Initializing dialog");
    if (IsMarketCode(m_marketType)) {
        setWindowTitle(QString("Active Users ") + MarketName(m_marketType));
    }
    m_users->setHeaderLabels({"User List", "Login Status"});
    ScaleColumns(m_users, {{100, {"-2147483648"}}, {200, {"Logoff in progress."}}});
    m_users->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_users->header()->setSectionsClickable(true);
    m_users->header()->setSortIndicatorShown(false);

    m_session = std::make_unique<CZEVOHelper>(m_log);
    m_session->SetMessageSink(this, m_marketType);
    ZEVO_LOG_ACTIVITY(
        m_log, op, Fmt("Attempting to connect...for market %s", MarketNameOrEmpty(m_marketType)));
    m_session->EstablishConnection(m_address, m_port);
    UpdateFields();
}

void CGenericActiveUsersList::UpdateFields() {
    m_boxIdLabel->setText(QString::fromStdString(m_boxId));
    m_boxStateLabel->setText(QString::fromStdString(m_boxState));
    m_userCountLabel->setText(QString::fromStdString(m_userCount));
}

void CGenericActiveUsersList::OnButtonActiveUsersListRefresh() {
    m_users->clear();
    m_userCount = Fmt("%d", m_users->topLevelItemCount());
    SendActiveUsersRequests(*m_session, m_marketType, m_log,
                            ZEVO_LOG_SITE("CGenericActiveUsersList"),
                            "OnButtonActiveUsersListRefresh");
}

void CGenericActiveUsersList::OnConnectionEstablished() {
    OnButtonActiveUsersListRefresh();
    m_refresh->setEnabled(true);
    TreeRows rows(m_users);
    SortListByColumn(rows, m_sortColumn, m_sortDirection, m_sortType);
    UpdateFields();
}

void CGenericActiveUsersList::OnConnectionLost() {
    m_users->clear();
    m_refresh->setEnabled(false);
    m_boxId.clear();
    m_boxState.clear();
    UpdateFields();  // the user count keeps its last value
}

int CGenericActiveUsersList::RouteMessage(const unsigned char* message, std::uint16_t messageCode) {
    if (messageCode == kUserInformationResponse) {
        AddUser(message);
    } else if (messageCode == kBoxInformationResponse) {
        const BoxInformation box = DecodeBoxInformation(message);
        m_boxId = Fmt("%d", box.boxId);
        m_boxState = LoginStateText(box.state);
        UpdateFields();
    }
    return 0;
}

void CGenericActiveUsersList::AddUser(const unsigned char* message) {
    const UserInformation user = DecodeUserInformation(message, m_marketType);
    auto* item = new QTreeWidgetItem({QString::number(user.userId)});
    m_users->insertTopLevelItem(0, item);
    m_userCount = Fmt("%d", m_users->topLevelItemCount());
    UpdateFields();
    item->setText(1, LoginStateText(user.state));
}

void CGenericActiveUsersList::OnColumnClick(int column) {
    const int type = column == 0 ? kSortAsNumber : kSortAsText;
    if (column == m_sortColumn) {
        m_sortDirection = m_sortDirection == kAscending ? kDescending : kAscending;
    } else {
        m_sortDirection = kAscending;
        m_sortColumn = column;
    }
    TreeRows rows(m_users);
    SortListByColumn(rows, column, m_sortDirection, type);
}

void CGenericActiveUsersList::done(int result) {
    QDialog::done(result);
    PostNcDestroy();
}

void CGenericActiveUsersList::PostNcDestroy() {
    if (!m_session) {
        return;
    }
    ZEVO_LOG_ACTIVITY(
        m_log, "CGenericActiveUsersList::PostNcDestroy",
        Fmt("Attempting to close connection...for market %s", MarketNameOrEmpty(m_marketType)));
    m_session->Transport().CloseConnection();
    m_session.reset();
}
