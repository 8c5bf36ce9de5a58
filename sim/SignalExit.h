#pragma once

// Makes SIGTERM and SIGINT end the Qt event loop of a peer program cleanly (exit code 0).
// Call it before the program starts any thread.
void QuitOnTerminationSignals();

// For a started child between fork and exec: a blocked signal mask is inherited, and the
// child must die of SIGTERM as any program does.
void UnblockTerminationSignals();
