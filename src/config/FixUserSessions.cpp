#include "config/FixUserSessions.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "config/ConfigTransaction.h"
#include "config/ControlIds.h"
#include "config/FixSessionFile.h"
#include "config/FixUserDetails.h"
#include "config/FixUserRules.h"
#include "core/GatewayHost.h"
#include "core/MarketType.h"
#include "link/RestartRequest.h"
#include "log/ActivityLog.h"
#include "log/Format.h"
#include "platform/MessageBox.h"
#include "views/ReportList.h"

namespace {

std::string Op(const char* name) {
    return std::string("CFixUserSessions::") + name;
}

const char* const kTitles[] = {"FIX Users - CM", "FIX Users- FO", "FIX Users- WDM",
                               "FIX Users- IPO", "FIX Users- CD", "FIX Users- SLBM",
                               "FIX Users- MF"};

// Column widths as designed for the 8-point dialog font.
constexpr int kColumnWidth = 100;

}  // namespace

CFixUserSessions::CFixUserSessions(int marketType, const std::string& configFilePath,
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
    setObjectName(control_id::kFixUsersDialog);
    setWindowTitle("FIX Users");
    BuildControls();
    m_tempFilePath = fix_file::TemporaryPath(m_fixConfigFilePath, m_marketType);
    if (fix_file::OpenFixUsers(marketType, configFilePath, fixConfigFilePath, interactivePort,
                               m_log, Site()) == fix_file::kRecoveryFailed) {
        m_recoveryFailed = true;
        EndDialog(kFailed);
    }
}

CFixUserSessions::~CFixUserSessions() = default;

LogSite CFixUserSessions::Site() const {
    return ZEVO_LOG_SITE("CFixUserSessions");
}

void CFixUserSessions::BuildControls() {
    m_list = new QTreeWidget(this);
    m_list->setObjectName(control_id::kFixUsersList);
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setHeaderLabels({"User ID", "Branch ID"});
    m_list->header()->setSectionsClickable(true);
    m_list->header()->setSortIndicatorShown(false);
    m_list->header()->setStretchLastSection(false);
    m_list->installEventFilter(this);
    m_list->viewport()->installEventFilter(this);
    m_brokerIdLabel = new QLabel(this);
    m_brokerIdLabel->setObjectName(control_id::kFixBrokerId);
    m_usersLabel = new QLabel(this);
    m_usersLabel->setObjectName(control_id::kUserCount);
    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel("Broker ID :", this), 0, 0);
    fields->addWidget(m_brokerIdLabel, 0, 1);
    fields->addWidget(new QLabel("No. of Users :", this), 1, 0);
    fields->addWidget(m_usersLabel, 1, 1);
    fields->setColumnStretch(1, 1);

    auto* add = Button("&New", control_id::kNewUser);
    m_edit = Button("&Edit", control_id::kEditUser);
    m_delete = Button("&Delete", control_id::kDeleteUser);
    auto* exit = Button("E&xit", control_id::kExit2);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* button : {add, m_edit, m_delete}) {
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    buttons->addWidget(exit);
    auto* body = new QHBoxLayout;
    body->addWidget(m_list, 1);
    body->addLayout(buttons);
    auto* column = new QVBoxLayout(this);
    column->setSizeConstraint(QLayout::SetFixedSize);  // a dialog of fixed size, as designed
    column->addLayout(fields);
    column->addLayout(body, 1);

    connect(add, &QPushButton::clicked, this, [this] { OnButtonNew(); });
    connect(m_edit, &QPushButton::clicked, this, [this] { OnButtonEdit(); });
    connect(m_delete, &QPushButton::clicked, this, [this] { OnButtonDelete(); });
    connect(exit, &QPushButton::clicked, this, [this] { OnExit(); });
    connect(m_list->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { OnColumnClick(column); });
}

void CFixUserSessions::OnInitDialog() {
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
    if (!ReadGatewayKeys()) {
        EndDialog(kFailed);
        return;
    }
    const QStringList widest = {"2147483647"};
    m_list->setColumnWidth(0, ScaledColumnWidth(m_list, kColumnWidth, "User ID", widest));
    m_list->setColumnWidth(1, ScaledColumnWidth(m_list, kColumnWidth, "Branch ID", widest));
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    const int frame = 2 * m_list->frameWidth() +
                      m_list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_list);
    m_list->setMinimumWidth(m_list->columnWidth(0) + m_list->columnWidth(1) + frame);
    m_usersLabel->setText("0");
    if (RefreshList() == kFailed) {
        EndDialog(kFailed);
    }
}

// BROKER_ID and MAX_TWS_CLIENTS of the gateway configuration file; false when the dialog
// cannot go on without them.
bool CFixUserSessions::ReadGatewayKeys() {
    fix_users::GatewayKeys keys;
    switch (fix_users::ReadGatewayKeys(m_configFilePath, m_log, Site(), &keys)) {
        case fix_users::KeysRead::Read:
            break;
        case fix_users::KeysRead::CannotOpen:
            ShowSetupError();
            return false;
        case fix_users::KeysRead::NoBrokerId:
            platform::ShowMessageBox(this, fix_users::kNoBrokerId, "Error",
                                     platform::MB_OK | platform::MB_ICONERROR);
            return false;
        case fix_users::KeysRead::NoMaxUsers:
            return false;
    }
    m_brokerId = keys.brokerId;
    m_maxUsers = keys.maxUsers;
    m_brokerIdLabel->setText(QString::fromStdString(m_brokerId));
    return true;
}

int CFixUserSessions::RefreshList() {
    m_list->clear();
    std::vector<fix_file::FixUser> users;
    if (!fix_users::LoadUsers(m_fixConfigFilePath, m_log, Site(), &users)) {
        platform::ShowMessageBox(this, fix_users::kCannotOpenFixFile, "Error",
                                 platform::MB_OK | platform::MB_ICONEXCLAMATION);
        return kFailed;
    }
    for (const fix_file::FixUser& user : users) {
        m_list->addTopLevelItem(new QTreeWidgetItem(
            {QString::fromStdString(user.userId), QString::fromStdString(user.branchId)}));
    }
    m_numberOfUsers = m_list->topLevelItemCount();
    m_usersLabel->setText(QString::number(m_numberOfUsers));
    m_edit->setEnabled(m_numberOfUsers >= 1);
    m_delete->setEnabled(m_numberOfUsers >= 1);
    TreeRows rows(m_list);
    SortListByColumn(rows, m_sortColumn, m_sortOrder, m_sortType);
    return kListed;
}

void CFixUserSessions::OnColumnClick(int column) {
    if (column != m_sortColumn) {
        m_sortColumn = column;
        m_sortOrder = kAscending;
    } else {
        m_sortOrder = m_sortOrder == kAscending ? kDescending : kAscending;
    }
    m_sortType = column == 0 || column == 1 ? kSortAsNumber : kSortAsText;
    TreeRows rows(m_list);
    SortListByColumn(rows, m_sortColumn, m_sortOrder, m_sortType);
}

QTreeWidgetItem* CFixUserSessions::SelectedRow() {
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    if (selected.isEmpty()) {
        platform::ShowMessageBox(this, "No item is selected!", "Alert",
                                 platform::MB_OK | platform::MB_ICONEXCLAMATION);
        return nullptr;
    }
    return selected.front();
}

bool CFixUserSessions::RunUserDetails(const std::string& userId, const std::string& branchId,
                                      int mode) {
    CFixUserDetails details(m_marketType, userId, m_brokerId, branchId, m_fixConfigFilePath, mode,
                            m_log, this);
    details.SetConfigFilePath(m_configFilePath);
    return details.DoModal() == CFixUserDetails::kSaved;
}

void CFixUserSessions::OnButtonNew() {
    ZEVO_LOG_ACTIVITY(m_log, Op("OnButtonNew").c_str(), "New Button Clicked");
    if (fix_users::MayAddUser(m_numberOfUsers, m_maxUsers)) {
        if (RunUserDetails("", "", CFixUserDetails::kNewSession)) {
            m_configChanged = 1;
        }
    } else {
        platform::ShowMessageBox(this, fix_users::kMaximumReached, "Error",
                                 platform::MB_OK | platform::MB_ICONINFORMATION);
    }
    if (RefreshList() == kFailed) {
        EndDialog(kFailed);
    }
}

void CFixUserSessions::OnButtonEdit() {
    QTreeWidgetItem* selected = SelectedRow();
    if (!selected) {
        return;
    }
    const std::string userId = selected->text(0).toStdString();
    const std::string branchId = selected->text(1).toStdString();
    ZEVO_LOG_ACTIVITY(m_log, Op("OnButtonEdit").c_str(),
                      Fmt("Trader ID %s is selected to Edit", userId.c_str()));
    if (RunUserDetails(userId, branchId, CFixUserDetails::kEditSession)) {
        m_configChanged = 1;
    }
    if (RefreshList() == kFailed) {
        EndDialog(kFailed);
    }
}

void CFixUserSessions::OnButtonDelete() {
    QTreeWidgetItem* selected = SelectedRow();
    if (!selected) {
        return;
    }
    const std::string userId = selected->text(0).toStdString();
    const int answer = platform::ShowMessageBox(
        this, Fmt("Are you sure you want to delete User ID %s?", userId.c_str()), "Delete",
        platform::MB_YESNO | platform::MB_ICONQUESTION);
    if (answer == platform::IDYES) {
        ConfigTransaction transaction({m_fixConfigFilePath}, m_log, Site(), "OnButtonDelete");
        if (!transaction.Locked() || !transaction.MayReplace(m_fixConfigFilePath)) {
            ShowRefusal(transaction.Refusal());
            return;
        }
        switch (fix_file::DeleteUser(m_fixConfigFilePath, m_tempFilePath, userId, m_log, Site())) {
            case fix_file::Outcome::Written:
                m_configChanged = 1;
                break;
            case fix_file::Outcome::RenameFailed:
            case fix_file::Outcome::RemoveFailed:
                EndDialog(kFailed);
                return;
            default:
                return;  // nothing changed; the list stays as it is
        }
    }
    if (RefreshList() == kFailed) {
        EndDialog(kFailed);
    }
}

void CFixUserSessions::OnBrokerIDLocalIPChanged(const std::string& brokerId,
                                                const std::string& localIp) {
    fix_file::ChangeBrokerIdAndLocalIp(m_fixConfigFilePath, m_tempFilePath, brokerId, localIp,
                                       m_log, Site());
}

void CFixUserSessions::OnExit() {
    if (m_configChanged == 1 && m_host && m_host->IsGatewayRunning(m_marketType)) {
        platform::ShowMessageBox(this, fix_users::kRestartNotice, "Alert",
                                 platform::MB_OK | platform::MB_ICONINFORMATION);
        KillQELExe(m_marketType);  // the dialog ends once the request is sent
        return;
    }
    EndDialog(0);
}

void CFixUserSessions::KillQELExe(int marketType) {
    if (!m_restart) {
        m_restart = std::make_unique<CRestartRequest>(
            ZEVO_LOG_SITE("CFixUserSessions"), "KillQELExe", marketType, m_interactivePort, m_log);
        m_restart->SetAfterSent([this] { EndDialog(0); });
    }
    m_restart->Start();
}

// The list's Delete key deletes the selected user; a double-click edits.
bool CFixUserSessions::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        OnButtonDelete();
        return true;
    }
    if (watched == m_list->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        OnButtonEdit();
        return true;
    }
    if (watched == m_list && event->type() == QEvent::FocusIn) {
        // A list given the focus marks its first row as current; with nothing selected that
        // looks like a selection that Edit and Delete do not see. Nothing is marked until
        // a row is chosen.
        const bool handled = CConfigDialog::eventFilter(watched, event);
        QMetaObject::invokeMethod(
            m_list,
            [list = m_list] {
                if (list->selectedItems().isEmpty()) {
                    list->selectionModel()->setCurrentIndex(QModelIndex(),
                                                            QItemSelectionModel::NoUpdate);
                }
            },
            Qt::QueuedConnection);
        return handled;
    }
    return CConfigDialog::eventFilter(watched, event);
}
