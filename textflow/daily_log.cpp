#include "textflow/daily_log.h"

#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>

#include "core/global_block.h"
#include "core/shift_jis.h"
#include "core/terminal_state.h"
#include "resources/resource_ids.h"
#include "textflow/log_file_name.h"

static BOOL AppendToFile(const wchar_t *path, const char *text, DWORD length)
{
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return FALSE;
    // Writing where the pointer failed to go would overwrite the start of
    // the day's log.
    LARGE_INTEGER distance = {};
    if (SetFilePointerEx(file, distance, NULL, FILE_END)) {
        DWORD written = 0;
        WriteFile(file, text, length, &written, NULL);
    }
    CloseHandle(file);
    return TRUE;
}

int WriteDailyLog(HWND mainWindow, const char *text, DWORD length, const SYSTEMTIME &now)
{
    const TerminalState *state = GetTerminalState(mainWindow);
    if (!state || !state->writeLog || !text || text[0] == '\0' || length == 0)
        return 0;
    wchar_t path[MAX_PATH];
    LogDate date = {now.wYear, now.wMonth, now.wDay};
    if (!MakeLogFilePath(state->logDirectory, date, path, MAX_PATH))
        return 0;
    return AppendToFile(path, text, length) ? 1 : 0;
}

int LogOutputPaneAt(HWND mainWindow, LONG start, LONG end, const SYSTEMTIME &now)
{
    TerminalState *state = GetTerminalState(mainWindow);
    if (!state || !state->writeLog)
        return 0;
    HWND pane = state->outputEdit;
    DWORD length = static_cast<DWORD>(GetWindowTextLengthW(pane));
    if (!FitTextAndShiftJis(&state->logBuffer, &state->logBufferSize, length, 0))
        return 0;
    LockedBlock buffer(state->logBuffer);
    auto *text = reinterpret_cast<wchar_t *>(buffer.bytes());
    if (!text)
        return 0;
    int copied = GetWindowTextW(pane, text, static_cast<int>(length + 1));
    std::size_t fetched = copied > 0 ? static_cast<std::size_t>(copied) : 0;
    std::size_t from = 0;
    std::size_t to = fetched;
    if (start >= 0 && end >= 0) {
        to = std::min(to, static_cast<std::size_t>(end));
        from = std::min(to, static_cast<std::size_t>(start));
    }
    char *bytes = reinterpret_cast<char *>(text + fetched + 1);
    std::size_t count = WideToShiftJis(text + from, to - from, bytes);
    WriteDailyLog(mainWindow, bytes, static_cast<DWORD>(count), now);
    return 1;
}

int LogOutputPane(HWND mainWindow, LONG start, LONG end)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return LogOutputPaneAt(mainWindow, start, end, now);
}

// String-table texts are loaded into buffers of this size, one byte short so
// that a zero always follows the terminator: the filter list ends with two.
static const int kTextBufferSize = MAX_PATH;

static int LoadText(HINSTANCE instance, UINT entry, wchar_t *buffer)
{
    return LoadStringW(instance, entry, buffer, kTextBufferSize - 1);
}

static void SplitAtSeparators(wchar_t *text, wchar_t separator)
{
    for (; *text; ++text) {
        if (*text == separator)
            *text = L'\0';
    }
}

// Shows the file-open dialog in the log directory; TRUE with the chosen path
// in fileName when the operator confirmed an existing file.
static BOOL ChooseLogFile(HWND mainWindow, HINSTANCE instance, const wchar_t *directory,
                          wchar_t *fileName)
{
    wchar_t filter[kTextBufferSize] = L"";
    wchar_t extension[kTextBufferSize] = L"";
    if (LoadText(instance, IDS_LOG_FILTER, filter) > 0)
        SplitAtSeparators(filter, L'|');
    LoadText(instance, IDS_LOG_EXTENSION, extension);
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
    dialog.hwndOwner = mainWindow;
    dialog.lpstrFilter = filter[0] ? filter : NULL;
    dialog.lpstrFile = fileName;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrInitialDir = directory;
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    dialog.lpstrDefExt = extension[0] ? extension : NULL;
    return GetOpenFileNameW(&dialog);
}

void OpenLogFile(HWND mainWindow)
{
    const TerminalState *state = GetTerminalState(mainWindow);
    if (!state)
        return;
    // Copies, because the dialog's message loop may outlive the record.
    HINSTANCE instance = state->instance;
    wchar_t directory[MAX_PATH];
    lstrcpynW(directory, state->logDirectory, MAX_PATH);
    // The dialog moves the current directory as the operator browses. A
    // directory too long to be saved whole is better left alone than cut.
    wchar_t savedDirectory[MAX_PATH] = L"";
    DWORD saved = GetCurrentDirectoryW(MAX_PATH, savedDirectory);
    wchar_t fileName[MAX_PATH] = L"";
    if (ChooseLogFile(mainWindow, instance, directory, fileName))
        ShellExecuteW(NULL, NULL, L"notepad.exe", fileName, NULL, SW_SHOWNORMAL);
    if (saved > 0 && saved < MAX_PATH)
        SetCurrentDirectoryW(savedDirectory);
}
