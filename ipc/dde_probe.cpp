#include "ipc/dde_probe.h"

int ProbeDuplicateService(HWND, DdeServerState *)
{
    return 0;
}

void HandleProbeAck(DdeServerState *, WPARAM)
{
}

void HandleProbeTerminate(HWND, HWND)
{
}

void ShowDuplicateServiceNotice(HWND)
{
}
