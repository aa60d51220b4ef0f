// What VRK.exe is told on its command line. Kept free of windows.h so it can
// be checked natively.
#pragma once

// The arguments of a whole command line as the system hands it over: what
// follows the program's name (quoted or not) and the blanks after it.
const wchar_t *CommandLineArguments(const wchar_t *commandLine);

// Whether the arguments hold the switch /connect (or -connect), in any
// letter case, as a word of its own.
bool HasConnectSwitch(const wchar_t *arguments);
