#pragma once

#include <QDialog>

class QTreeWidget;
namespace platform {
class SettingsStore;
}

// The About box: every installed component of the gateway installation with its version,
// as the installer recorded them in the settings store.
class CAboutDlg : public QDialog {
    Q_OBJECT
  public:
    CAboutDlg(const platform::SettingsStore& store, QWidget* parent = nullptr);
    // Fills the component list; stops with the error box at the first value missing.
    void DisplayInstalledComponents();

  private:
    void Append(const QString& component, const std::string& version);

    const platform::SettingsStore& m_store;
    QTreeWidget* m_list;
};
