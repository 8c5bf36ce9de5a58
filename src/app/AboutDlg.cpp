#include "app/AboutDlg.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/ControlIds.h"
#include "base/Settings.h"
#include "base/Text.h"
#include "core/MarketType.h"
#include "log/Format.h"
#include "platform/MessageBox.h"
#include "platform/SettingsStore.h"
#include "views/FixedSizeDialog.h"
#include "views/ReportList.h"

namespace {

constexpr std::uint32_t kVersionLimit = settings::kVersionLimit;

const std::pair<const char*, const char*> kComponents[] = {
    {"PLEXA_VERSION", "Plexa"},
    {"DORVA_VERSION", "Dorva"},
    {"QEL_MONITORING_VERSION", "QEL Monitoring Service"},
    {"QEL_STATISTICS_VERSION", "QEL Statistics"},
    {"ZEVO_IP_VERSION", "ZEVO"},
    {"UNINSTALLER_VERSION", "Uninstaller"},
};

}  // namespace

CAboutDlg::CAboutDlg(const platform::SettingsStore& store, QWidget* parent)
    : QDialog(parent), m_store(store), m_list(new QTreeWidget(this)) {
    setObjectName(control_id::kAboutDialog);
    setWindowTitle("About ZEVO ");
    auto* layout = new QVBoxLayout(this);
    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon(":/zevo.png").pixmap(32, 32));
    // An untitled group box holds the caption and the list.
    auto* group = new QGroupBox(this);
    auto* caption = new QLabel("List of installed components and their version number", group);
    caption->setAlignment(Qt::AlignCenter);
    m_list->setObjectName(control_id::kAboutList);
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels({"Component", "Version No."});
    ScaleColumns(m_list, {{300, {"QEL Monitoring Service"}}, {100, {}}});
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(control_id::kAboutOk);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    m_list->setParent(group);
    auto* inside = new QVBoxLayout(group);
    inside->addWidget(caption);
    inside->addWidget(m_list);
    layout->addWidget(icon, 0, Qt::AlignLeft);
    layout->addWidget(group, 1);
    layout->addWidget(buttons, 0, Qt::AlignHCenter);
    resize(560, 420);
    MakeFixedSizeDialog(this);
    DisplayInstalledComponents();
}

void CAboutDlg::Append(const QString& component, const std::string& version) {
    new QTreeWidgetItem(m_list, {component, QString::fromStdString(version)});
}

void CAboutDlg::DisplayInstalledComponents() {
    auto error = [this] {
        platform::ShowMessageBox(this, Fmt("Cannot query registry. %s.", "QEL Setup Error."),
                                 "Error", platform::MB_OK);
    };
    for (int code = CM; code <= MF; ++code) {
        auto key = m_store.OpenKey(Fmt("%s\\%d", settings::kRoot, code));
        if (!key) {
            continue;  // not installed
        }
        std::string version;
        if (!platform::QueryString(*key, settings::kVersion, kVersionLimit, &version)) {
            error();
            return;
        }
        Append(QString("QEL %1").arg(MarketName(code)), version);
    }
    auto common = m_store.OpenKey(Fmt("%s\\%s", settings::kRoot, settings::kCommon));
    if (!common) {
        error();
        return;
    }
    for (const auto& [value, component] : kComponents) {
        std::string version;
        if (!platform::QueryString(*common, value, kVersionLimit, &version)) {
            error();
            return;
        }
        Append(component, version);
    }
}
