// Every box the operator sees goes through here: caption, string-table text
// and, for a failed platform call, the "(step:code)" suffix.
#pragma once

#include <windows.h>

int ShowMessage(HWND owner, UINT entry, UINT icon);
int ShowFailure(HWND owner, UINT entry, const wchar_t *step, DWORD code);
