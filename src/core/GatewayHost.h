#pragma once

class ActivityLog;

// What a dialog needs of the main window: whether a market's gateway runs, a way to post a
// command to the window (handled after the dialog's handler returns), and the activity log.
// Dialogs take this, never the window class.
class GatewayHost {
  public:
    virtual ~GatewayHost() = default;
    // True when market `marketCode`'s gateway process runs.
    virtual bool IsGatewayRunning(int marketCode) const = 0;
    // Queues the menu command `commandId` to the window.
    virtual void PostCommand(int commandId) = 0;
    virtual ActivityLog* Log() const = 0;
    // The port on which market `marketCode`'s gateway sends its log messages (0 when not
    // known): a confirmed save watches the gateway come back there.
    virtual int GatewayLogPort(int) const { return 0; }
};
