#include "textflow/daily_log.h"

#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>

#include "core/global_block.h"
#include "core/terminal_state.h"
#include "resources/resource_ids.h"
#include "textflow/code_page_text.h"
#include "textflow/dbcs_text.h"
#include "textflow/log_file_name.h"

static BOOL AppendToFile(const char *path, const char *text, DWORD length)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
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
    char path[MAX_PATH];
    LogDate date = {now.wYear, now.wMonth, now.wDay};
    if (!MakeLogFilePath(state->logDirectory, date, path, sizeof path))
        return 0;
    return AppendToFile(path, text, length) ? 1 : 0;
}

int LogOutputPaneAt(HWND mainWindow, LONG start, LONG end, const SYSTEMTIME &now)
{
    TerminalState *state = GetTerminalState(mainWindow);
    if (!state || !state->writeLog)
        return 0;
    HWND pane = state->outputEdit;
    DWORD length = static_cast<DWORD>(GetWindowTextLengthA(pane));
    if (!GrowGlobalBlock(&state->logBuffer, &state->logBufferSize, length + 1))
        return 0;
    LockedBlock buffer(state->logBuffer);
    const char *text = buffer.bytes();
    if (!text)
        return 0;
    int copied = GetWindowTextA(pane, buffer.bytes(), static_cast<int>(length + 1));
    std::size_t from = 0;
    std::size_t to = copied > 0 ? static_cast<std::size_t>(copied) : 0;
    if (start >= 0 && end >= 0) {
        std::size_t units = EditLengthInOwnUnits(pane);
        std::size_t textLength = to;
        to = EditPositionToByteOffset(text, textLength, units, static_cast<std::size_t>(end),
                                      IsCodePageLeadByte);
        from = std::min(to, EditPositionToByteOffset(text, textLength, units,
                                                     static_cast<std::size_t>(start),
                                                     IsCodePageLeadByte));
    }
    WriteDailyLog(mainWindow, text + from, static_cast<DWORD>(to - from), now);
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

static int LoadText(HINSTANCE instance, UINT entry, char *buffer)
{
    return LoadStringA(instance, entry, buffer, kTextBufferSize - 1);
}

// Shows the file-open dialog in the log directory; TRUE with the chosen path
// in fileName when the operator confirmed an existing file.
static BOOL ChooseLogFile(HWND mainWindow, HINSTANCE instance, const char *directory,
                          char *fileName)
{
    char filter[kTextBufferSize] = "";
    char extension[kTextBufferSize] = "";
    if (LoadText(instance, IDS_LOG_FILTER, filter) > 0)
        SplitAtSeparators(filter, '|', IsCodePageLeadByte);
    LoadText(instance, IDS_LOG_EXTENSION, extension);
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    dialog.hwndOwner = mainWindow;
    dialog.lpstrFilter = filter[0] ? filter : NULL;
    dialog.lpstrFile = fileName;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrInitialDir = directory;
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    dialog.lpstrDefExt = extension[0] ? extension : NULL;
    return GetOpenFileNameA(&dialog);
}

void OpenLogFile(HWND mainWindow)
{
    const TerminalState *state = GetTerminalState(mainWindow);
    if (!state)
        return;
    // Copies, because the dialog's message loop may outlive the record.
    HINSTANCE instance = state->instance;
    char directory[MAX_PATH];
    lstrcpynA(directory, state->logDirectory, MAX_PATH);
    // The dialog moves the current directory as the operator browses. A
    // directory too long to be saved whole is better left alone than cut.
    char savedDirectory[MAX_PATH] = "";
    DWORD saved = GetCurrentDirectoryA(MAX_PATH, savedDirectory);
    char fileName[MAX_PATH] = "";
    if (ChooseLogFile(mainWindow, instance, directory, fileName))
        ShellExecuteA(NULL, NULL, "notepad.exe", fileName, NULL, SW_SHOWNORMAL);
    if (saved > 0 && saved < MAX_PATH)
        SetCurrentDirectoryA(savedDirectory);
}
