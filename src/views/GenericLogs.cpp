#include "views/GenericLogs.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTime>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cstring>

#include "base/Text.h"
#include "core/MarketType.h"
#include "link/MessageFrame.h"
#include "link/ZEVOHelper.h"
#include "log/ActivityLog.h"
#include "log/Format.h"
#include "platform/MessageBox.h"
#include "platform/ProcessExit.h"
#include "views/ControlIds.h"
#include "views/LogFilterBar.h"
#include "views/LogListView.h"
#include "views/LogMessageModel.h"
#include "views/LogRow.h"
#include "views/LogVolume.h"
#include "views/LogVolumeStrip.h"
#include "views/QuietScrollBar.h"
#include "views/ReportList.h"
#include "views/VersionCheck.h"

namespace {
constexpr int kColumnWidths[] = {50, 200, 400, 50};
constexpr int kInvalidVersionExitCode = 200;
}  // namespace

CGenericLogs::CGenericLogs(QWidget* parent) : CGenericLogs(nullptr, parent) {}

CGenericLogs::CGenericLogs(ActivityLog* log, QWidget* parent)
    : QWidget(parent),
      m_log(log),
      m_retryTimer(new QTimer(this)),
      m_model(new LogMessageModel(this)),
      m_list(new LogListView(m_model, this)) {
    m_retryTimer->setSingleShot(true);
    connect(m_retryTimer, &QTimer::timeout, this, [this] { Retry(); });
    setObjectName(control_id::kLogPage);
    // Rows that cannot go to the cache file stay in memory; the operator's log says so once.
    m_model->Store().SetSpillProblemHandler([this](const std::string& reason) {
        ZEVO_LOG_ACTIVITY(m_log, "CGenericLogs::RouteMessage",
                          Fmt("Log rows of market %s stay in memory: the cache folder cannot "
                              "take them (%s)",
                              MarketNameOrEmpty(m_marketType), reason.c_str()));
    });
    m_list->setObjectName(control_id::kLogList);
    m_list->setVerticalScrollBar(new QuietScrollBar(Qt::Vertical));
    // Widths designed for the dialog font, scaled to this one; a user ID, a full time and a
    // reason value always show whole.
    const QStringList widest[] = {
        {"-2147483648"}, {"Wednesday, September 30, 2026, 23:59:59"}, {}, {"-2147483648"}};
    for (int column = 0; column < 4; ++column) {
        m_list->setColumnWidth(column,
                               ScaledColumnWidth(m_list, m_list->Header(), kColumnWidths[column],
                                                 kLogColumnHeaders[column], widest[column]));
    }
    auto* caption = new QLabel("LOG MESSAGES", this);
    caption->setAlignment(Qt::AlignCenter);
    m_filterBar = new LogFilterBar(m_model, m_list, this);
    m_connectionState = new QLabel(this);
    m_connectionState->setObjectName(control_id::kConnectionState);
    m_connectionState->setWordWrap(true);
    m_connectionState->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_connectionState->setAccessibleName("Connection");
    m_connectionState->setText("Not connected - waiting for the gateway to run");
    m_volume = new LogVolumeStrip(m_model, this);
    m_timeRange = new QPushButton(this);
    m_timeRange->setObjectName("logTimeRange");
    m_timeRange->setAutoDefault(false);
    m_timeRange->hide();
    connect(m_volume, &LogVolumeStrip::barClicked, this, &CGenericLogs::GoToTime);
    connect(m_volume, &LogVolumeStrip::rangePicked, this, &CGenericLogs::FilterTime);
    connect(m_timeRange, &QPushButton::clicked, this, [this] { FilterTime(0, 0); });
    auto* stateRow = new QHBoxLayout;
    stateRow->addWidget(m_connectionState, 1);
    stateRow->addWidget(m_timeRange);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 2);
    layout->addWidget(m_filterBar);
    layout->addLayout(stateRow);
    layout->addWidget(m_volume);
    layout->addWidget(m_list, 1);
    layout->addWidget(caption);
    // Tab goes from the filter to the list it filters, then to Export.
    setTabOrder(m_filterBar->FilterField(), m_list);
    setTabOrder(m_list, m_filterBar->ExportButton());
    m_filterBar->FilterField()->setAccessibleName("Filter log messages");
    m_filterBar->CountLabel()->setAccessibleName("Rows shown");
    m_list->setAccessibleName("Log messages");
}

CGenericLogs::~CGenericLogs() = default;

// A bar of the strip was clicked: the list goes to the first row of that time.
void CGenericLogs::GoToTime(qint64 from, qint64 to) {
    m_model->Flush();
    const std::uint32_t place = m_model->Volume().FirstPlace(from, to);
    const int row = place == LogVolume::kNoPlace ? -1 : m_model->RowOf(place);
    if (row >= 0) {
        m_list->SelectRow(row);
        m_list->setFocus();
    }
}

// A range dragged on the strip filters the list by time, besides the filter's text.
void CGenericLogs::FilterTime(qint64 from, qint64 to) {
    m_model->SetTimeRange(from, to);
    const bool on = to > from;
    if (on) {
        const QString format = to - from < 600 ? "HH:mm:ss" : "HH:mm";
        m_timeRange->setText(QString("&Time %1-%2: show all")
                                 .arg(QDateTime::fromSecsSinceEpoch(from).toString(format),
                                      QDateTime::fromSecsSinceEpoch(to).toString(format)));
    }
    m_timeRange->setVisible(on);
}

void CGenericLogs::InitConnectionData(const INPUT_FOR_LOGS_THREAD& input) {
    m_session = std::make_unique<CZEVOHelper>(m_log);
    m_session->SetMessageSink(this, m_marketType);
    m_session->SetConnectFailedHandler([this](const std::string& untrusted) {
        m_connecting = false;
        m_problem = untrusted.empty() ? "No connection" : untrusted;
        RetryLater();
    });
    m_address = "127.0.0.1";
    m_port = Fmt("%d", input.interface_thread_non_interactive_port);
}

void CGenericLogs::ConnectToGateway() {
    m_retryTimer->stop();
    m_retries = 0;
    m_connecting = m_session->EstablishConnection(m_address, m_port) == 1;
    if (!m_connecting) {
        m_problem = "No connection";
        RetryLater();
    } else {
        ShowConnectionState(
            false, QString("Connecting to port %1...").arg(QString::fromStdString(m_port)));
    }
}

void CGenericLogs::SetGatewayRunning(bool running) {
    if (!running && !m_connected) {
        m_retryTimer->stop();
        ShowConnectionState(false, "Not connected - waiting for the gateway to run");
    }
}

bool CGenericLogs::GatewayRuns() const {
    return m_gatewayRuns && m_gatewayRuns();
}

void CGenericLogs::RetryLater() {
    static constexpr int kDelays[] = {1, 2, 4, 8};  // seconds; then every 10
    if (m_connected || m_connecting) {
        return;
    }
    if (!GatewayRuns()) {
        // When the process appears again, the status thread connects.
        ShowConnectionState(
            false, QString::fromStdString(m_problem) + " - waiting for the gateway to run");
        return;
    }
    if (m_retries == 0) {
        ZEVO_LOG_ACTIVITY(m_log, "CGenericLogs::RetryLater",
                          Fmt("No connection to the running gateway of market %s; trying "
                              "again until it accepts",
                              MarketNameOrEmpty(m_marketType)));
    }
    const int seconds = m_retries < 4 ? kDelays[m_retries] : 10;
    m_retryTimer->start(seconds * 1000);
    ShowConnectionState(false,
                        QString("%1 - next attempt at %2")
                            .arg(QString::fromStdString(m_problem),
                                 QTime::currentTime().addSecs(seconds).toString("HH:mm:ss")));
}

void CGenericLogs::Retry() {
    if (m_connected || m_connecting || !GatewayRuns()) {
        return;
    }
    ++m_retries;
    m_connecting = m_session->Reconnect(m_address, m_port) == 1;
    if (!m_connecting) {
        RetryLater();
    } else {
        ShowConnectionState(false, QString("Connecting to port %1 (attempt %2)...")
                                       .arg(QString::fromStdString(m_port))
                                       .arg(m_retries + 1));
    }
}

void CGenericLogs::OnConnectionLost() {
    m_connected = m_connecting = false;
    m_retries = 0;
    m_problem = "Connection lost " + QTime::currentTime().toString("HH:mm:ss").toStdString();
    RetryLater();
}

int CGenericLogs::RouteMessage(const unsigned char* message, std::uint16_t messageCode) {
    if (messageCode == kLogMessage) {
        if (m_versionState != 2) {
            const LogRow row = DecodeLogMessage(message, m_marketType);
            m_model->Add(row);
            if (m_rowWatch && row.reasonCode >= 12000 && row.reasonCode < 14000) {
                m_rowWatch(row);
            }
        }
    } else if (messageCode == kVersionMessage) {
        OnVersionMessage(message);
    }
    return 0;
}

void CGenericLogs::OnVersionMessage(const unsigned char* message) {
    const int received = ReadI32(message + 30);
    ZEVO_LOG_EVENT(m_log, "CGenericLogs::RouteMessage",
                   Fmt("Received market version is %d", received));
    if (!IsMarketCode(m_marketType)) {
        return;
    }
    const char* name = MarketName(m_marketType);
    if (compatible(received, RequiredVersion(m_marketType))) {
        m_versionState = 1;
        SetVersionInStatusList(name, received);
        return;
    }
    const std::string text =
        Fmt("%s. Version %d is invalid for market %s", "QEL Setup Error.", received, name);
    ZEVO_LOG_ACTIVITY(m_log, "CGenericLogs::RouteMessage", text);
    platform::ShowMessageBox(this, text, "Invalid version",
                             platform::MB_OK | platform::MB_ICONEXCLAMATION);
    platform::ExitProcess(kInvalidVersionExitCode);
}

bool CGenericLogs::compatible(int received, int required) {
    const char* flagLine = nullptr;
    const bool accepted = CheckVersion(m_marketType, received, required, &flagLine);
    if (flagLine) {
        ZEVO_LOG_ACTIVITY(m_log, "CGenericLogs::compatible", flagLine);
    }
    return accepted;
}

void CGenericLogs::ShowConnectionState(bool connected, const QString& text) {
    if (m_connectionState->text() != text) {
        m_connectionState->setText(text);
        emit connectionStateChanged(connected, text);
    }
}

void CGenericLogs::OnConnectionEstablished() {
    m_connected = true;
    m_connecting = false;
    m_retries = 0;
    m_retryTimer->stop();
    // Each connection starts an empty list: the page says so, so an empty page is explained.
    const bool hadRows = m_model->StoredRows() > 0;
    m_model->Clear();
    const QString now = QTime::currentTime().toString("HH:mm:ss");
    ShowConnectionState(true, hadRows ? QString("Connected %1 - earlier rows were cleared").arg(now)
                                      : QString("Connected %1").arg(now));
}

void CGenericLogs::SetVersionInStatusList(const char* marketName, int version) {
    if (!m_statusList) {
        return;
    }
    for (int row = 0; row < m_statusList->topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = m_statusList->topLevelItem(row);
        // The cell is read as the list control hands it out: at most 1023 bytes.
        const std::string cell = item->text(0).toLocal8Bit().left(1023).toStdString();
        if (text::EqualsIgnoreCase(cell, marketName)) {
            item->setText(2, QString::number(version));
        }
    }
}

QString CGenericLogs::ConnectionState() const {
    return m_connectionState->text();
}
