// Other programs run to their end: the host simulator, and under Wine the
// bench's Linux programs, which it starts like its own.
#pragma once

#include <string>

// Runs the command line and waits for it to end; its standard output goes to
// output when given. False when it could not be started.
bool RunToEnd(const std::string &commandLine, std::string *output = nullptr);
