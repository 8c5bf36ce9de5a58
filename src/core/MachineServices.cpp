#include "core/MachineServices.h"

#include "core/GatewayProcess.h"
#include "platform/Clock.h"
#include "platform/FileOperations.h"
#include "platform/MessageBox.h"
#include "platform/PageMemory.h"
#include "platform/ProcessExit.h"
#include "platform/ServiceControl.h"
#include "platform/SettingsStore.h"

MachineServices RealMachine(platform::MessageBoxSeam* boxes) {
    MachineServices machine;
    machine.store = &platform::DefaultSettingsStore();
    machine.clock = &platform::DefaultClock();
    machine.processes = &GatewayProcessList();
    machine.serviceDirectory = platform::ServiceControl::DefaultDirectory();
    machine.cacheDirectory = platform::CacheFolder();
    machine.files = &platform::DefaultFileOperations();
    machine.boxes = boxes;
    machine.exit = platform::RealExit;
    return machine;
}

InstalledMachine::InstalledMachine(const MachineServices& machine)
    : m_files(platform::InstallFileOperations(machine.files)),
      m_boxes(platform::InstallMessageBoxSeam(machine.boxes)),
      m_exit(platform::InstallExitSeam(machine.exit)) {}

InstalledMachine::~InstalledMachine() {
    platform::InstallFileOperations(m_files);
    platform::InstallMessageBoxSeam(m_boxes);
    platform::InstallExitSeam(m_exit);
}
