#pragma once

#include <sys/stat.h>

#include <QApplication>
#include <QDialog>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "InstallationLayout.h"
#include "app/ZEVOClientPHASE4Dlg.h"
#include "log/ActivityLog.h"
#include "platform/Clock.h"
#include "platform/FileOperations.h"
#include "platform/RegistryFile.h"
#include "support/FakeProcessList.h"
#include "support/RecordingBoxes.h"
#include "support/TestSupport.h"

namespace testing_support {

// One widget test's world: an installation laid out in a temporary folder, and the machine
// the window reaches, replaced whole: the layout's settings store and service folder, a
// process list the test decides, a private one-instance folder, recording message boxes and
// a recorded process exit. The main window is made on first use; everything goes with the
// fixture, and the global state the window sets is reset when it goes.
class GuiFixture {
  public:
    explicit GuiFixture(std::vector<int> markets = {}, std::vector<int> fixMarkets = {},
                        int fallbackAnswer = platform::IDYES)
        : layout(LaidOut(dir.path(), std::move(markets), std::move(fixMarkets))),
          boxes(fallbackAnswer) {}
    ~GuiFixture() {
        if (window_) {
            window_->done(0);
        }
        window_.reset();
        for (int& flag : fix_enabled) {
            flag = 0;
        }
    }

    // The machine as this test's window sees it.
    MachineServices Machine() {
        MachineServices machine;
        machine.store = &Store();
        machine.clock = &platform::DefaultClock();
        machine.processes = &processes;
        machine.serviceDirectory = layout.ServiceDir();
        machine.instanceDirectory = dir.File("instance");
        mkdir(machine.instanceDirectory.c_str(), 0700);
        machine.cacheDirectory = dir.File("cache");
        machine.files = &platform::DefaultFileOperations();
        machine.boxes = &boxes;
        machine.exit = [this](int code) { exits.push_back(code); };
        return machine;
    }

    // The settings store as the files are now (read anew after a test changed them).
    platform::RegistryFileStore& Store() {
        if (!store_) {
            store_ = std::make_unique<platform::RegistryFileStore>(layout.RegistryPath());
        }
        return *store_;
    }
    // The main window after OnInitDialog with `arguments`.
    CZEVOClientPHASE4Dlg& Window(const QStringList& arguments = {}) {
        if (!window_) {
            window_ = std::make_unique<CZEVOClientPHASE4Dlg>(Machine());
            window_->OnInitDialog(arguments);
        }
        return *window_;
    }
    // Whether the window's activity log holds "LEVEL|message|file|operation". The status
    // thread writes beside the GUI thread, so lines are looked for, not taken from the end.
    bool HasLine(const std::string& expected) { return Count(expected) > 0; }
    std::size_t Count(const std::string& expected) {
        return CountLogLines(Window().Log()->CurrentFilePath(), expected);
    }

    TempDir dir;
    InstallationLayout layout;
    RecordingBoxes boxes;
    FakeProcessList processes;
    std::vector<int> exits;  // process exits the program asked for

  private:
    std::unique_ptr<platform::RegistryFileStore> store_;
    std::unique_ptr<CZEVOClientPHASE4Dlg> window_;
};

// Acts once on the next modal dialog of type `Dialog` as soon as it runs (a dialog runs
// modally inside the handler that opens it).
template <typename Dialog = QDialog>
void WhenModal(std::type_identity_t<std::function<void(Dialog*)>> act) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            act(dialog);
        }
    });
    poll->start(10);
}

}  // namespace testing_support
