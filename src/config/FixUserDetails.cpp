#include "config/FixUserDetails.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/Text.h"
#include "config/FixSessionFile.h"
#include "config/LimitedEdit.h"
#include "core/MarketType.h"
#include "log/ActivityLog.h"
#include "log/Format.h"
#include "platform/MessageBox.h"

namespace {

std::string Op(const char* name) {
    return std::string("CFixUserDetails::") + name;
}

constexpr int kUserIdDigits = 5;
constexpr int kBranchIdDigits = 3;

// A field taking up to `digits` typed digits; a longer stored value is shown whole.
CLimitedEdit* DigitsEdit(QWidget* parent, const char* id, int digits) {
    auto* edit = new CLimitedEdit(digits, CLimitedEdit::Chars::Digits, id, parent);
    // Room for the widest value.
    edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QString(digits + 3, '0')));
    return edit;
}

int FieldValue(const QLineEdit* edit) {
    return text::AtoiClamped(edit->text().toStdString());
}

// What a field puts in the TargetCompID line: the stored text when the field still shows
// it, the number in it otherwise.
std::string WrittenValue(const QLineEdit* edit, const std::string& stored) {
    return edit->text().toStdString() == stored ? stored : Fmt("%d", FieldValue(edit));
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
      m_userId(text::AtoiClamped(userId)),
      m_memberId(memberId),
      m_branchIdText(branchId),
      m_branchId(text::AtoiClamped(branchId)),
      m_fixConfigFilePath(fixConfigFilePath) {
    const std::string op = Op("CFixUserDetails");
    ZEVO_LOG_ACTIVITY(
        m_log, op.c_str(),
        Fmt("Market type for dialog is %d - %s", marketType, MarketNameOrEmpty(marketType)));
    ZEVO_LOG_ACTIVITY(m_log, op.c_str(), Fmt("Trader ID is %s", userId.c_str()));
    ZEVO_LOG_ACTIVITY(m_log, op.c_str(), Fmt("Member ID is %s", memberId.c_str()));
    ZEVO_LOG_ACTIVITY(m_log, op.c_str(), Fmt("Branch ID is %s", branchId.c_str()));
    ZEVO_LOG_ACTIVITY(m_log, op.c_str(),
                      Fmt("FIX Config file path is - %s", fixConfigFilePath.c_str()));
    ZEVO_LOG_ACTIVITY(m_log, op.c_str(),
                      Fmt("Session modification type is - %d", sessionModificationType));
    setObjectName("155");
    setWindowTitle("FIX User Details");
    BuildControls();
    m_tempFilePath = fix_file::TemporaryPath(m_fixConfigFilePath, m_marketType);
    if (fix_file::Recover(m_fixConfigFilePath, m_tempFilePath, m_log, Site(), "CFixUserDetails") ==
        -1) {
        m_recoveryFailed = true;
        EndDialog(-1);
    }
}

LogSite CFixUserDetails::Site() const {
    return ZEVO_LOG_SITE("CFixUserDetails");
}

void CFixUserDetails::BuildControls() {
    m_userIdEdit = DigitsEdit(this, "1056", kUserIdDigits);
    m_branchIdEdit = DigitsEdit(this, "1058", kBranchIdDigits);
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
    QHBoxLayout* buttons = SaveRow(&m_save, &cancel, "&Cancel", "1060");
    auto* column = new QVBoxLayout(this);
    column->addLayout(fields);
    column->addLayout(buttons);

    connect(m_userIdEdit, &QLineEdit::textChanged, this, [this] { EnableDisableSaveButton(); });
    connect(m_branchIdEdit, &QLineEdit::textChanged, this, [this] { EnableDisableSaveButton(); });
    connect(m_save, &QPushButton::clicked, this, [this] { SaveFixConfigurationParameters(); });
    connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
}

void CFixUserDetails::OnInitDialog() {
    if (m_recoveryFailed) {
        EndDialog(-1);
        return;
    }
    m_userIdEdit->ShowStoredText(QString::fromStdString(m_userIdText));
    m_branchIdEdit->ShowStoredText(QString::fromStdString(m_branchIdText));
    m_userIdEdit->setEnabled(m_sessionModificationType == kNewSession);
    m_save->setEnabled(false);
    KeepTitleVisible();
}

void CFixUserDetails::EnableDisableSaveButton() {
    m_save->setEnabled(FieldValue(m_userIdEdit) != m_userId ||
                       FieldValue(m_branchIdEdit) != m_branchId);
}

// Logs and shows why a field was refused and puts its initial text back. Always false.
bool CFixUserDetails::Refuse(const char* logLine, const char* box, CLimitedEdit* field,
                             const std::string& text) {
    ZEVO_LOG_ACTIVITY(m_log, Op("ValidateParameters").c_str(), logLine);
    platform::ShowMessageBox(this, box, "Error", platform::MB_OK | platform::MB_ICONINFORMATION);
    field->ShowStoredText(QString::fromStdString(text));
    return false;
}

int CFixUserDetails::ValidateParameters() {
    const bool valid =
        (!m_userIdEdit->text().isEmpty() ||
         Refuse("Trader ID is blank", "User ID can't be blank", m_userIdEdit, m_userIdText)) &&
        (!m_branchIdEdit->text().isEmpty() ||
         Refuse("Branch ID is blank", "Branch ID can't be blank", m_branchIdEdit,
                m_branchIdText)) &&
        (FieldValue(m_userIdEdit) > 0 ||
         Refuse("Trader ID is Zero.", "User ID can't be zero", m_userIdEdit, m_userIdText)) &&
        (FieldValue(m_branchIdEdit) >= 1 ||
         Refuse("Branch ID is Zero.", "Branch ID can't be zero", m_branchIdEdit, m_branchIdText));
    return valid ? 0 : 200;
}

void CFixUserDetails::SaveFixConfigurationParameters() {
    const std::string op = Op("SaveFixConfigurationParameters");
    if (ValidateParameters() != 0) {
        m_save->setEnabled(false);
        ZEVO_LOG_ACTIVITY(m_log, op.c_str(), "Validation(s) failed.");
        return;
    }
    ZEVO_LOG_ACTIVITY(m_log, op.c_str(), "Validation(s) Successful.");
    const int userId = FieldValue(m_userIdEdit);
    const std::string value = WrittenValue(m_userIdEdit, m_userIdText) + "," + m_memberId + "," +
                              WrittenValue(m_branchIdEdit, m_branchIdText);
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
            EndDialog(-1);
            return;
        case fix_file::Outcome::CannotRead:
            platform::ShowMessageBox(this, "Can not open FIX config file", "Error",
                                     platform::MB_OK | platform::MB_ICONEXCLAMATION);
            return;
        case fix_file::Outcome::CannotWrite:
            return;
        case fix_file::Outcome::Duplicate:
            break;
    }
    platform::ShowMessageBox(this, Fmt("User ID %d already exists.\n", userId), "Error",
                             platform::MB_OK | platform::MB_ICONEXCLAMATION);
    m_userIdEdit->ShowStoredText(QString::fromStdString(m_userIdText));
    ZEVO_LOG_EVENT(
        m_log, op.c_str(),
        Fmt("Addition of trader id %d failed as that trader id already exists.", userId));
    ZEVO_LOG_DETAIL(m_log, op.c_str(),
                    "Fix config file and temp file closed. Removing temp file generated.");
    m_userIdEdit->setFocus();
    m_save->setEnabled(false);
}
