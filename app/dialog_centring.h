// Centres every dialog of the user-interface thread over its owner.
#pragma once

#include <windows.h>

BOOL InstallDialogCentring(void);
void RemoveDialogCentring(void);
