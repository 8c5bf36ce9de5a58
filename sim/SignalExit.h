#pragma once

// Makes SIGTERM and SIGINT end the Qt event loop of a peer program cleanly (exit code 0).
void QuitOnTerminationSignals();
