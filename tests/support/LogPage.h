#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>
#include <algorithm>
#include <string>
#include <vector>

#include "GatewayMessages.h"
#include "core/MarketType.h"
#include "link/ZEVOHelper.h"
#include "support/LogRows.h"
#include "support/LoopbackGateway.h"
#include "support/RecordingBoxes.h"
#include "support/TestLog.h"
#include "views/GenericLogs.h"
#include "views/LogFilterBar.h"
#include "views/LogListView.h"

namespace testing_support {

// A log page as the main window sets it up, with a status list holding another market's row
// and its own (named `statusRow`), connected to a loopback gateway.
struct Page {
    explicit Page(int market = MF, const QString& statusRow = "MF") {
        status.setHeaderLabels({"Market", "Status", "Version"});
        new QTreeWidgetItem(&status, {"XX", "Running", ""});
        new QTreeWidgetItem(&status, {statusRow, "Running", ""});
        view.SetMarketType(market);
        view.SetStatusList(&status);
        view.SetGatewayRuns([] { return true; });
        view.InitConnectionData({&view, 0, std::stoi(gateway.Port()), log.get()});
        Connect();
        view.resize(900, 400);
    }
    // Connects the page to the gateway (again).
    void Connect() {
        view.Session()->EstablishConnection(view.GatewayAddress(), view.GatewayPort());
        if (!gateway.Accept()) {
            qFatal("the console did not connect");
        }
    }
    bool Send(const std::vector<gateway::Bytes>& messages) {
        return std::all_of(messages.begin(), messages.end(),
                           [&](const gateway::Bytes& message) { return gateway.Send(message); });
    }
    // Sends `messages` and waits until the list holds `rows` rows.
    bool Receive(const std::vector<gateway::Bytes>& messages, int rows) {
        return Send(messages) && PumpUntil([&] { return Rows().size() == rows; });
    }
    // The cells of the message list's rows, as "User ID / Time / Message / Reason".
    QStringList Rows() { return LogRows(view.Model()); }
    QString Version(int statusRow) { return status.topLevelItem(statusRow)->text(2); }
    QLineEdit* Field() const { return view.findChild<QLineEdit*>("logFilter"); }
    QString Count() const { return view.findChild<QLabel*>("logFilterCount")->text(); }

    TestLog log;
    QTreeWidget status;
    LoopbackGateway gateway;
    CGenericLogs view{log.get(), nullptr};
};

}  // namespace testing_support
