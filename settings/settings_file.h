// Settings in an INI file named after the executable, beside it.
#pragma once

#include "core/terminal_state.h"

void DeriveFilePaths(TerminalState *state);
void LoadSettings(TerminalState *state);
void SaveSettings(const TerminalState *state);
