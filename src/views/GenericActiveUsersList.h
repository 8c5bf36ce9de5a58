#pragma once

#include <QDialog>
#include <memory>
#include <string>

#include "link/ActiveUsersRequests.h"
#include "link/MessageSink.h"
#include "link/UserInformation.h"  // LoginStateText

class ActivityLog;
class CZEVOHelper;
class QLabel;
class QPushButton;
class QTreeWidget;

// Asks one market's running gateway who is using it: the box's own ID and login state, and
// one row per user with that user's login state. Opens its own session to the gateway's
// interactive port; Refresh asks again; a click on a column heading sorts by it.
class CGenericActiveUsersList : public QDialog, public CMessageSink {
    Q_OBJECT
  public:
    CGenericActiveUsersList(int marketType, int interactivePort, ActivityLog* log,
                            QWidget* parent = nullptr);
    ~CGenericActiveUsersList() override;

    void OnButtonActiveUsersListRefresh();
    void OnColumnClick(int column);

    int RouteMessage(const unsigned char* message, std::uint16_t messageCode) override;
    void OnConnectionEstablished() override;
    void OnConnectionLost() override;

    void accept() override {}  // Enter does nothing
    void done(int result) override;

    QTreeWidget* UserList() const { return m_users; }

  private:
    void OnInitDialog();
    void PostNcDestroy();
    void UpdateFields();
    void AddUser(const unsigned char* message);

    ActivityLog* m_log;
    int m_marketType;
    int m_sortColumn = 0;
    int m_sortDirection = 1;
    int m_sortType = 2;
    std::unique_ptr<CZEVOHelper> m_session;
    std::string m_address = "127.0.0.1";
    std::string m_port;
    std::string m_boxId;
    std::string m_boxState;
    std::string m_userCount = "0";
    QLabel* m_boxIdLabel;
    QLabel* m_boxStateLabel;
    QLabel* m_userCountLabel;
    QTreeWidget* m_users;
    QPushButton* m_refresh;
};
