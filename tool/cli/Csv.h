#pragma once

#include <string>
#include <vector>

// Comma-separated values as RFC 4180 writes them, for history's --csv: a field that holds a
// comma, a double quote, a carriage return or a line feed stands in double quotes, each double
// quote in it doubled; every record, the header too, ends with CR LF.
std::string CsvRecord(const std::vector<std::string>& fields);
