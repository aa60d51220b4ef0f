// Settings in an INI file named after the executable, beside it.
#pragma once

#include "core/terminal_state.h"

// A save that did not reach the file: the platform call that failed and its
// error code. No step when the settings were saved, or were left as they
// were on purpose.
struct SettingsFailure {
    const wchar_t *step;
    DWORD code;
};

void DeriveFilePaths(TerminalState *state);
void LoadSettings(TerminalState *state);
SettingsFailure SaveSettings(const TerminalState *state);
