// The daily log files of one directory, as the tests and the benchmark read
// them back.
#pragma once

#include <string>
#include <vector>

// Names of the *.LOG files in the directory, in name (date) order.
std::vector<std::string> LogFileNames(const std::string &directory);
// Their bytes one after the other, in that order.
std::string ConcatenatedLogs(const std::string &directory);
