#include "ipc/dde_wait.h"

DWORD RemainingMs(DWORD start, DWORD limitMs)
{
    DWORD elapsed = GetTickCount() - start;
    return elapsed < limitMs ? limitMs - elapsed : 0;
}

BOOL DispatchNextMessage(DWORD waitMs)
{
    MSG message;
    if (!PeekMessageW(&message, NULL, 0, 0, PM_REMOVE)) {
        // Sleeping until something arrives keeps the wait off the processor
        // without ever blocking past the next message.
        MsgWaitForMultipleObjectsEx(0, NULL, waitMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        return TRUE;
    }
    if (message.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(message.wParam));
        return FALSE;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
    return TRUE;
}
