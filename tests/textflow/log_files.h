// The daily log files of one directory, as the tests and the benchmark read
// them back.
#pragma once

#include <string>

// The bytes of the *.LOG files in the directory one after the other, the
// files in name (date) order.
std::string ConcatenatedLogs(const std::string &directory);
