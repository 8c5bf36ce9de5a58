#pragma once

// Makes SIGTERM and SIGINT end the Qt event loop of a peer program cleanly (exit code 0).
// Call it before the program starts any thread.
void QuitOnTerminationSignals();

// While it lives, SIGTERM and SIGINT are not blocked, so a child started meanwhile inherits a
// mask that lets them end it. A signal that comes in that moment ends this program at once.
class TerminationSignalsLetThrough {
  public:
    TerminationSignalsLetThrough();
    ~TerminationSignalsLetThrough();
    TerminationSignalsLetThrough(const TerminationSignalsLetThrough&) = delete;
    TerminationSignalsLetThrough& operator=(const TerminationSignalsLetThrough&) = delete;
};
