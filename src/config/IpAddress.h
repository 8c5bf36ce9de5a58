#pragma once

#include <string>

// A dotted IPv4 text read as the configuration dialogs read it: four parts up to the next
// ".", each converted as "%d" reads it (nothing convertible gives 0) and kept to its low 8
// bits. Missing or empty parts give 0, so an empty text is 0.0.0.0.
void ParseIpAddress(const std::string& text, int octets[4]);
// "%d.%d.%d.%d".
std::string FormatIpAddress(const int octets[4]);
