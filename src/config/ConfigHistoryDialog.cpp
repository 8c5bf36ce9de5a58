#include "config/ConfigHistoryDialog.h"

#include <QDateTime>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSplitter>
#include <QSyntaxHighlighter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "config/ConfigRestore.h"
#include "config/ControlIds.h"
#include "core/CommandIds.h"
#include "core/GatewayHost.h"
#include "core/MarketType.h"
#include "link/RestartRequest.h"
#include "log/ActivityLog.h"
#include "log/Format.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"

namespace {

const char* const kOperation = "RestoreConfiguration";

// The history beside the activity logs the window writes.
std::string HistoryFolderOf(const ActivityLog* log) {
    return ConfigHistoryFolder(log ? log->Directory() : std::string());
}

// A unified diff's lines coloured as git colours them; the "+" and "-" marks carry the same
// meaning without colour. The colours are taken lighter on a dark palette.
class DiffColours final : public QSyntaxHighlighter {
  public:
    explicit DiffColours(QTextDocument* document, bool dark) : QSyntaxHighlighter(document) {
        m_added.setForeground(dark ? QColor(0x81, 0xc7, 0x84) : QColor(0x1b, 0x5e, 0x20));
        m_removed.setForeground(dark ? QColor(0xef, 0x9a, 0x9a) : QColor(0xb7, 0x1c, 0x1c));
        m_hunk.setForeground(dark ? QColor(0x80, 0xde, 0xea) : QColor(0x00, 0x60, 0x64));
        m_header.setFontWeight(QFont::Bold);
    }

  protected:
    void highlightBlock(const QString& text) override {
        if (text.startsWith("diff ") || text.startsWith("index ") || text.startsWith("--- ") ||
            text.startsWith("+++ ")) {
            setFormat(0, static_cast<int>(text.size()), m_header);
        } else if (text.startsWith("@@")) {
            setFormat(0, static_cast<int>(text.size()), m_hunk);
        } else if (text.startsWith('+')) {
            setFormat(0, static_cast<int>(text.size()), m_added);
        } else if (text.startsWith('-')) {
            setFormat(0, static_cast<int>(text.size()), m_removed);
        }
    }

  private:
    QTextCharFormat m_added, m_removed, m_hunk, m_header;
};

QString Local(std::int64_t seconds) {
    return QDateTime::fromSecsSinceEpoch(seconds).toString("yyyy-MM-dd HH:mm:ss");
}

}  // namespace

CConfigHistoryDialog::CConfigHistoryDialog(int market, std::vector<std::string> files,
                                           std::uint16_t interactivePort, ActivityLog* log,
                                           GatewayHost* host, QWidget* parent)
    : QDialog(parent),
      m_market(market),
      m_files(std::move(files)),
      m_interactivePort(interactivePort),
      m_log(log),
      m_host(host),
      m_history(HistoryFolderOf(log)) {
    setObjectName(control_id::kHistoryDialog);
    setWindowTitle(QString("Configuration History - %1").arg(MarketName(market)));
    setWindowFlags(Qt::Dialog | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    auto* layout = new QVBoxLayout(this);
    m_state = new QLabel(this);
    m_state->setWordWrap(true);
    m_state->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_state);

    auto* split = new QSplitter(Qt::Vertical, this);
    m_saves = new QTreeWidget(split);
    m_saves->setObjectName(control_id::kHistorySaves);
    m_saves->setRootIsDecorated(false);
    m_saves->setUniformRowHeights(true);
    m_saves->setHeaderLabels({"Time", "User", "Files", "Changes"});
    m_saves->setAccessibleName("Saves");
    auto* lower = new QWidget(split);
    auto* lowerLayout = new QVBoxLayout(lower);
    lowerLayout->setContentsMargins(0, 0, 0, 0);
    auto* against = new QHBoxLayout;
    against->addWidget(new QLabel("Compare with:", lower));
    m_againstParent = new QRadioButton("the save &before it", lower);
    m_againstParent->setObjectName(control_id::kHistoryAgainstParent);
    m_againstToday = new QRadioButton("the files as they are &today", lower);
    m_againstToday->setObjectName(control_id::kHistoryAgainstToday);
    m_againstParent->setChecked(true);
    against->addWidget(m_againstParent);
    against->addWidget(m_againstToday);
    against->addStretch(1);
    lowerLayout->addLayout(against);
    m_diff = new QPlainTextEdit(lower);
    m_diff->setObjectName(control_id::kHistoryDiff);
    m_diff->setAccessibleName("Changes of the selected save");
    m_diff->setReadOnly(true);
    m_diff->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_diff->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    const bool dark = palette().color(QPalette::Base).lightness() < 128;
    new DiffColours(m_diff->document(), dark);
    lowerLayout->addWidget(m_diff);
    split->setStretchFactor(1, 2);
    layout->addWidget(split, 1);

    auto* buttons = new QHBoxLayout;
    m_restore = new QPushButton("&Restore this version", this);
    m_restore->setObjectName(control_id::kHistoryRestore);
    m_restore->setAutoDefault(false);
    auto* close = new QPushButton("&Close", this);
    close->setObjectName(control_id::kExit);
    close->setAutoDefault(false);
    buttons->addStretch(1);
    buttons->addWidget(m_restore);
    buttons->addWidget(close);
    layout->addLayout(buttons);

    connect(m_saves, &QTreeWidget::currentItemChanged, this, [this] { ShowSelected(); });
    connect(m_againstParent, &QRadioButton::toggled, this, [this] { ShowSelected(); });
    connect(m_restore, &QPushButton::clicked, this, [this] { RestoreSelected(); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    // Room for a diff's long lines and a few saves above it, within the screen.
    const int line = fontMetrics().height();
    QSize size(fontMetrics().averageCharWidth() * 140, line * 46);
    if (const QScreen* screen = parent ? parent->screen() : nullptr) {
        size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
    }
    resize(size);
    split->setSizes({line * 10, line * 30});
    Reload();
}

CConfigHistoryDialog::~CConfigHistoryDialog() = default;

void CConfigHistoryDialog::Reload() {
    m_entries.clear();
    m_saves->clear();
    std::string why;
    if (!m_history.Log(m_files, &m_entries, &why)) {
        m_state->setText(
            QString::fromStdString(Fmt("No history in %s yet.", m_history.Folder().c_str())));
    } else {
        m_state->setText(
            QString::fromStdString(Fmt("%zu saves of %s, kept in %s", m_entries.size(),
                                       MarketName(m_market), m_history.Folder().c_str())));
    }
    for (const ConfigHistory::Entry& entry : m_entries) {
        QStringList files;
        for (const std::string& file : entry.files) {
            files << QString::fromStdString(platform::BaseName(file));
        }
        auto* row =
            new QTreeWidgetItem(m_saves, {Local(entry.time), QString::fromStdString(entry.author),
                                          files.join(", "), QString::fromStdString(entry.message)});
        row->setToolTip(3, QString::fromStdString(entry.id.substr(0, 8) + "  " + entry.message));
    }
    for (int column = 0; column < 3; ++column) {
        m_saves->resizeColumnToContents(column);
    }
    if (m_saves->topLevelItemCount() > 0) {
        m_saves->setCurrentItem(m_saves->topLevelItem(0));
    }
    ShowSelected();
}

std::string CConfigHistoryDialog::SelectedId() const {
    const int row =
        m_saves->currentItem() ? m_saves->indexOfTopLevelItem(m_saves->currentItem()) : -1;
    return row >= 0 && row < static_cast<int>(m_entries.size()) ? m_entries[row].id : std::string();
}

void CConfigHistoryDialog::ShowSelected() {
    const std::string id = SelectedId();
    m_restore->setEnabled(!id.empty());
    if (id.empty()) {
        m_diff->clear();
        return;
    }
    std::string patch;
    std::string why;
    const bool shown = m_againstToday->isChecked()
                           ? m_history.DiffWithFiles(id, m_files, &patch, &why)
                           : m_history.Diff({}, id, &patch, &why);
    if (!shown) {
        patch = why;
    } else if (patch.empty()) {
        patch = m_againstToday->isChecked() ? "The files are as this save left them."
                                            : "This save changed nothing.";
    }
    m_diff->setPlainText(QString::fromUtf8(patch.data(), static_cast<qsizetype>(patch.size())));
}

// A restore is a save: the restart question first when the gateway runs, then the files under
// the lock, the commit, and the restart and Start Applications that follow any save.
void CConfigHistoryDialog::RestoreSelected() {
    const std::string id = SelectedId();
    const bool runs = m_host && m_host->IsGatewayRunning(m_market);
    if (runs &&
        platform::ShowMessageBox(
            this, " QEL will restart to take changes into effect. Do you want to continue?",
            "Warning", platform::MB_YESNO | platform::MB_ICONQUESTION | platform::MB_DEFBUTTON2) ==
            platform::IDNO) {
        return;
    }
    FileVersions versions;
    std::string why;
    RestoreOutcome outcome;
    const LogSite site = ZEVO_LOG_SITE("CConfigHistoryDialog");
    if (!FilesAtRevision(m_history, id, m_files, &versions, &why)) {
        outcome.why = why;
    } else {
        outcome = RestoreFiles(versions, "restore of " + id.substr(0, 8), m_log, site, kOperation);
    }
    if (outcome.kind == RestoreOutcome::kFailed) {
        platform::ShowMessageBox(this, outcome.why, "Error",
                                 platform::MB_OK | platform::MB_ICONEXCLAMATION);
        return;
    }
    if (outcome.kind == RestoreOutcome::kUnchanged) {
        platform::ShowMessageBox(this, "The files are already as this save left them.", "Success",
                                 platform::MB_OK | platform::MB_ICONINFORMATION);
        return;
    }
    std::string text = Fmt("The configuration of %s is restored as save %s left it.",
                           MarketName(m_market), id.substr(0, 8).c_str());
    if (runs) {
        text += " QEL will restart to take changes into effect.";
    }
    platform::ShowMessageBox(this, text, "Success", platform::MB_OK | platform::MB_ICONINFORMATION);
    if (runs) {
        if (!m_restart) {
            m_restart = std::make_unique<CRestartRequest>(site, kOperation, m_market,
                                                          m_interactivePort, m_log);
        }
        m_restart->Start();
    }
    if (m_host) {
        m_host->PostCommand(cmd::kStartApplications);
    }
    Reload();
}
