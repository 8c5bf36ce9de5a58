#include "config/FixUserDetails.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/Text.h"
#include "config/ConfigTransaction.h"
#include "config/ControlIds.h"
#include "config/FixSessionFile.h"
#include "config/FixUserRules.h"
#include "config/LimitedEdit.h"
#include "log/ActivityLog.h"
#include "platform/MessageBox.h"

namespace {

constexpr int kUserIdDigits = 5;
constexpr int kBranchIdDigits = 3;

// A field taking up to `digits` typed digits; a longer stored value is shown whole.
CLimitedEdit* DigitsEdit(QWidget* parent, const char* id, int digits) {
    auto* edit = new CLimitedEdit(digits, CLimitedEdit::Chars::Digits, id, parent);
    // Room for the widest value.
    edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QString(digits + 3, '0')));
    return edit;
}

std::string Text(const QLineEdit* edit) {
    return edit->text().toStdString();
}

}  // namespace

CFixUserDetails::CFixUserDetails(int marketType, const std::string& userId,
                                 const std::string& memberId, const std::string& branchId,
                                 const std::string& fixConfigFilePath, int sessionModificationType,
                                 ActivityLog* log, QWidget* parent)
    : CConfigDialog(parent),
      m_marketType(marketType),
      m_sessionModificationType(sessionModificationType),
      m_log(log),
      m_userIdText(userId),
      m_memberId(memberId),
      m_branchIdText(branchId),
      m_fixConfigFilePath(fixConfigFilePath) {
    setObjectName(control_id::kFixUserDetailsDialog);
    setWindowTitle("FIX User Details");
    BuildControls();
    m_tempFilePath = fix_file::TemporaryPath(m_fixConfigFilePath, m_marketType);
    if (fix_users::OpenUserDetails(marketType, userId, memberId, branchId, fixConfigFilePath,
                                   sessionModificationType, m_log,
                                   Site()) == fix_file::kRecoveryFailed) {
        m_recoveryFailed = true;
        EndDialog(kFailed);
    }
}

LogSite CFixUserDetails::Site() const {
    return ZEVO_LOG_SITE("CFixUserDetails");
}

void CFixUserDetails::BuildControls() {
    m_userIdEdit = DigitsEdit(this, control_id::kUserId, kUserIdDigits);
    m_branchIdEdit = DigitsEdit(this, control_id::kBranchId, kBranchIdDigits);
    auto* userLabel = new QLabel("&User ID", this);
    userLabel->setBuddy(m_userIdEdit);
    auto* branchLabel = new QLabel("&Branch ID", this);
    branchLabel->setBuddy(m_branchIdEdit);
    auto* fields = new QGridLayout;
    fields->addWidget(userLabel, 0, 0);
    fields->addWidget(m_userIdEdit, 0, 1);
    fields->addWidget(branchLabel, 1, 0);
    fields->addWidget(m_branchIdEdit, 1, 1);
    QPushButton* cancel = nullptr;
    QHBoxLayout* buttons = SaveRow(&m_save, &cancel, "&Cancel", control_id::kCancel);
    auto* column = new QVBoxLayout(this);
    column->setSizeConstraint(QLayout::SetFixedSize);  // a dialog of fixed size, as designed
    column->addLayout(fields);
    column->addLayout(buttons);

    connect(m_userIdEdit, &QLineEdit::textChanged, this, [this] { EnableDisableSaveButton(); });
    connect(m_branchIdEdit, &QLineEdit::textChanged, this, [this] { EnableDisableSaveButton(); });
    connect(m_save, &QPushButton::clicked, this, [this] { SaveFixConfigurationParameters(); });
    connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
}

void CFixUserDetails::OnInitDialog() {
    if (m_recoveryFailed) {
        EndDialog(kFailed);
        return;
    }
    m_userIdEdit->ShowStoredText(QString::fromStdString(m_userIdText));
    m_branchIdEdit->ShowStoredText(QString::fromStdString(m_branchIdText));
    m_userIdEdit->setEnabled(m_sessionModificationType == kNewSession);
    m_save->setEnabled(false);
    KeepTitleVisible();
}

void CFixUserDetails::EnableDisableSaveButton() {
    m_save->setEnabled(fix_users::FieldsChanged(Text(m_userIdEdit), m_userIdText,
                                                Text(m_branchIdEdit), m_branchIdText));
}

int CFixUserDetails::ValidateParameters() {
    const fix_users::FieldRuleBreak broken =
        fix_users::CheckUserFields(Text(m_userIdEdit), Text(m_branchIdEdit), m_log, Site());
    if (broken.field == fix_users::Field::None) {
        return kValid;
    }
    platform::ShowMessageBox(this, broken.box, "Error",
                             platform::MB_OK | platform::MB_ICONINFORMATION);
    const bool user = broken.field == fix_users::Field::UserId;
    (user ? m_userIdEdit : m_branchIdEdit)
        ->ShowStoredText(QString::fromStdString(user ? m_userIdText : m_branchIdText));
    return kInvalid;
}

void CFixUserDetails::SaveFixConfigurationParameters() {
    const bool valid = ValidateParameters() == kValid;
    fix_users::LogValidation(valid, m_log, Site());
    if (!valid) {
        m_save->setEnabled(false);
        return;
    }
    ConfigTransaction transaction({m_fixConfigFilePath, m_configFilePath}, m_log, Site(),
                                  "SaveFixConfigurationParameters");
    if (!transaction.Locked() || !transaction.MayReplace(m_fixConfigFilePath)) {
        ShowRefusal(transaction.Refusal());
        return;
    }
    m_memberId = fix_users::BrokerIdNow(m_configFilePath, m_memberId);
    const int userId = text::AtoiClamped(Text(m_userIdEdit));
    const std::string value = fix_users::TargetCompIdValue(
        Text(m_userIdEdit), m_userIdText, m_memberId, Text(m_branchIdEdit), m_branchIdText);
    const bool adding = m_sessionModificationType == kNewSession;
    const fix_file::Outcome outcome =
        adding
            ? fix_file::AddUser(m_fixConfigFilePath, m_tempFilePath, userId, value, m_log, Site())
            : fix_file::EditUser(m_fixConfigFilePath, m_tempFilePath, userId, value, m_log, Site());
    switch (outcome) {
        case fix_file::Outcome::Written:
            EndDialog(kSaved);
            return;
        case fix_file::Outcome::RenameFailed:
        case fix_file::Outcome::RemoveFailed:
            EndDialog(kFailed);
            return;
        case fix_file::Outcome::CannotRead:
            platform::ShowMessageBox(this, fix_users::kCannotOpenFixFile, "Error",
                                     platform::MB_OK | platform::MB_ICONEXCLAMATION);
            return;
        case fix_file::Outcome::CannotWrite:
            return;
        case fix_file::Outcome::Duplicate:
            break;
    }
    platform::ShowMessageBox(this, fix_users::DuplicateText(userId), "Error",
                             platform::MB_OK | platform::MB_ICONEXCLAMATION);
    m_userIdEdit->ShowStoredText(QString::fromStdString(m_userIdText));
    fix_users::LogDuplicate(userId, m_log, Site());
    m_userIdEdit->setFocus();
    m_save->setEnabled(false);
}
