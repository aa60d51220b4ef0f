#include "ipc/ims_link.h"

void StartImsDiscovery(HWND)
{
}

void HandleImsMessage(HWND, WPARAM, LPARAM)
{
}

void CheckImsLink(HWND, UINT_PTR)
{
}

void ReleaseImsLink(HWND)
{
}

void ToggleImsLink(HWND)
{
}
