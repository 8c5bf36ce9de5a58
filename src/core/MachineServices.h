#pragma once

#include <functional>
#include <string>

namespace platform {
class Clock;
class FileOperations;
class MessageBoxSeam;
class ProcessList;
class SettingsStore;
}  // namespace platform

// Everything through which the window reaches the machine, in one place. main builds the
// machine's own; a test fixture builds a whole set of its own (its settings store, a process
// list it decides, its service folder, a private one-instance folder, recording boxes, an
// exit it records) instead of steering the program through the environment.
//
// Two kinds, reached two ways on purpose. The store, clock, process list and folders are
// values the window and its threads are built with, and are handed down. The file operations,
// message boxes and exit are reached from plain code and dialogs many layers down, through
// signatures that are the system's own (the key=value writer under every dialog, a box from
// any dialog): InstalledMachine installs those for the window's life.
struct MachineServices {
    const platform::SettingsStore* store = nullptr;
    const platform::Clock* clock = nullptr;
    const platform::ProcessList* processes = nullptr;
    std::string serviceDirectory;   // where the services listen (platform::ServiceControl)
    std::string instanceDirectory;  // the one-instance rule's folder; empty: the user's own
    std::string cacheDirectory;     // zevo's own cache (each gateway's day); empty: none kept
    platform::FileOperations* files = nullptr;  // how files the gateways own are replaced
    platform::MessageBoxSeam* boxes = nullptr;
    std::function<void(int)> exit;  // ends the process at once (platform::ExitProcess)
};

// The machine's own services, with `boxes` as the message boxes.
MachineServices RealMachine(platform::MessageBoxSeam* boxes);

// Installs a machine's files, boxes and exit as the seams that the dialogs and views reach
// them through, for this object's life; the ones installed before come back after it.
class InstalledMachine {
  public:
    explicit InstalledMachine(const MachineServices& machine);
    ~InstalledMachine();
    InstalledMachine(const InstalledMachine&) = delete;
    InstalledMachine& operator=(const InstalledMachine&) = delete;

  private:
    platform::FileOperations* m_files;
    platform::MessageBoxSeam* m_boxes;
    std::function<void(int)> m_exit;
};
