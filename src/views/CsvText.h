#pragma once

#include <string>
#include <vector>

// One CSV record as RFC 4180 writes it: fields separated by commas, a field that holds a
// comma, a double quote, a carriage return or a line feed enclosed in double quotes with
// its double quotes doubled, and the record ended by CR LF.
std::string CsvRecord(const std::vector<std::string>& fields);
