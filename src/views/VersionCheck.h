#pragma once

// The gateway version this console works with, per market code 1..7 (0 for any other code):
// a release number times 100 plus the two-digit market part.
int RequiredVersion(int marketType);

// True when the received version has the required market part and at least the required
// release. For FO, IPO and SLBM it also sets the market's user-ID width flag from the received
// release, whatever the verdict, and points `flagLine` at the line that reports it (null for
// the other markets).
bool CheckVersion(int marketType, int received, int required, const char** flagLine);
