#include "textflow/daily_log.h"

int WriteDailyLog(HWND, const char *, DWORD)
{
    return 0;
}

int LogOutputPane(HWND, LONG, LONG)
{
    return 0;
}

void OpenLogFile(HWND)
{
}
