#include "textflow/output_pane.h"

void PollReceive(HWND, UINT_PTR)
{
}

void AppendOutput(HWND, char *, char *)
{
}
