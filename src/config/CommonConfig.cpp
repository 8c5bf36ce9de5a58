#include "config/CommonConfig.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/Text.h"
#include "config/ConfigTransaction.h"
#include "config/ControlIds.h"
#include "config/KeyValueFile.h"
#include "config/LimitedEdit.h"
#include "log/ActivityLog.h"
#include "log/Format.h"
#include "platform/MessageBox.h"

namespace {
std::string Op(const char* name) {
    return std::string("CCommonConfig::") + name;
}
constexpr int kMaxDigits = 4;
}  // namespace

CCommonConfig::CCommonConfig(int marketType, const std::string& commonConfigFilePath,
                             ActivityLog* log, QWidget* parent)
    : CConfigDialog(parent),
      m_marketType(marketType),
      m_log(log),
      m_commonConfigFilePath(commonConfigFilePath) {
    ZEVO_LOG_ACTIVITY(m_log, Op("CCommonConfig").c_str(),
                      Fmt("Market type for dialog is %d - COMMON", marketType));
    ZEVO_LOG_ACTIVITY(
        m_log, Op("CCommonConfig").c_str(),
        Fmt("Common config file path for dialog is %s", commonConfigFilePath.c_str()));
    setObjectName(control_id::kCommonConfigurationDialog);
    setWindowTitle("Common Configuration");
    m_field = new CLimitedEdit(kMaxDigits, CLimitedEdit::Chars::Digits, control_id::kRepositoryDays,
                               this);
    auto* label = new QLabel("Repository Management (in Days) : ", this);
    label->setBuddy(m_field);
    QPushButton* exit = nullptr;
    QHBoxLayout* buttons = SaveRow(&m_save, &exit, "E&xit", control_id::kExit);
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(m_field);
    auto* column = new QVBoxLayout(this);
    column->setSizeConstraint(QLayout::SetFixedSize);
    column->addLayout(row);
    column->addLayout(buttons);
    connect(m_field, &QLineEdit::textChanged, this, [this] { OnFieldChanged(); });
    connect(m_save, &QPushButton::clicked, this, [this] { save_configuration_parameters(); });
    connect(exit, &QPushButton::clicked, this, [this] { done(QDialog::Rejected); });
}

void CCommonConfig::OnInitDialog() {
    ZEVO_LOG_ACTIVITY(m_log, Op("OnInitDialog").c_str(), "Initializing dialog");
    read_configuration_parameters();
}

void CCommonConfig::read_configuration_parameters() {
    const std::string op = Op("read_configuration_parameters");
    m_field->clear();
    int value = 0;
    const int result =
        get_int_parameter(m_commonConfigFilePath.c_str(), "REPOSITORY_HISTORY", &value);
    if (result == kv::kCannotOpen) {
        EndDialog(kFailed);
        ZEVO_LOG_EVENT(m_log, op.c_str(), "ZEVO could not open QEL config file.");
        ShowSetupError();
        return;
    }
    if (result == kv::kNotFound) {
        ZEVO_LOG_EVENT(m_log, op.c_str(), "Cannot read REPOSITORY_HISTORY from config file.");
    }
    const std::string text = Fmt("%d", value);
    m_lastRead = value;
    m_field->ShowStoredText(QString::fromStdString(text));
    ZEVO_LOG_ACTIVITY(m_log, op.c_str(),
                      Fmt("Read repository history management in days = %s", text.c_str()));
    m_save->setEnabled(false);
}

void CCommonConfig::OnFieldChanged() {
    m_save->setEnabled(text::AtoiClamped(m_field->text().toStdString()) != m_lastRead);
}

int CCommonConfig::validate_parameters() {
    const std::string op = Op("validate_parameters");
    const std::string text = m_field->text().toStdString();
    if (text.empty()) {
        ZEVO_LOG_ACTIVITY(m_log, op.c_str(), "Repository history value is blank.");
        platform::ShowMessageBox(this, "Repository history value can't be blank", "Error",
                                 platform::MB_OK | platform::MB_ICONINFORMATION);
        m_field->ShowStoredText(QString::number(m_lastRead));
        return kInvalid;
    }
    const int value = text::AtoiClamped(text);
    if (value <= 0) {
        ZEVO_LOG_ACTIVITY(
            m_log, op.c_str(),
            Fmt("Repository history value [%d] is less than or equal to zero", value));
        platform::ShowMessageBox(this,
                                 "Value of Repository history should be greater than zero (0)",
                                 "Error", platform::MB_OK | platform::MB_ICONINFORMATION);
        m_field->ShowStoredText(QString::number(m_lastRead));
        return kInvalid;
    }
    return kValid;
}

void CCommonConfig::save_configuration_parameters() {
    const std::string op = Op("save_configuration_parameters");
    if (validate_parameters() != kValid) {
        m_save->setEnabled(false);
        ZEVO_LOG_ACTIVITY(m_log, op.c_str(), "Validation(s) failed.");
        return;
    }
    ZEVO_LOG_ACTIVITY(m_log, op.c_str(), "Validation(s) Successful.");
    ConfigTransaction transaction({m_commonConfigFilePath}, m_log, ZEVO_LOG_SITE("CCommonConfig"),
                                  "save_configuration_parameters");
    if (!transaction.Locked() || !transaction.MayReplace(m_commonConfigFilePath)) {
        ShowRefusal(transaction.Refusal());
        return;
    }
    char keys[1][40] = {"REPOSITORY_HISTORY"};
    char values[1][40] = {};
    std::snprintf(values[0], sizeof values[0], "%d",
                  text::AtoiClamped(m_field->text().toStdString()));
    char error[1024] = {0};
    const int result =
        write_configuration_parameters(m_commonConfigFilePath.c_str(), keys, values, 1, error);
    if (result == kv::kUpdateFailed || result == kv::kCannotOpen) {
        ZEVO_LOG_EVENT(m_log, op.c_str(),
                       result == kv::kUpdateFailed
                           ? "Parameter(s) updation failed in configuration file."
                           : "ZEVO Could not open QEL config file");
        ShowSetupError();
        return;
    }
    const char* const success = "Parameter(s) updated successfully in configuration file.";
    ZEVO_LOG_ACTIVITY(m_log, op.c_str(), success);
    platform::ShowMessageBox(this, success, "Success", platform::MB_OK);
    read_configuration_parameters();
}
