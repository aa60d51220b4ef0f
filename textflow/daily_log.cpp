#include "textflow/daily_log.h"

#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>

#include "core/global_block.h"
#include "core/program_identity.h"
#include "core/terminal_state.h"
#include "resources/resource_ids.h"
#include "textflow/code_page_text.h"
#include "textflow/dbcs_text.h"
#include "textflow/log_backlog.h"
#include "textflow/log_file_name.h"

// Text that waits is tried again every so often even when nothing new is
// logged, so that a quiet line does not keep it in memory for long.
static const unsigned kRetryTicks = 10000 / kPollIntervalMs;
static const char kBesideSuffix[] = "_2";

// Where a writer puts a date's text: the day's file, or at exit, when that
// still cannot be written, the file beside it.
struct LogFiles {
    const char *directory;
    const char *suffix;
};

static std::size_t AppendToLogFile(void *context, const LogDate &date, const char *bytes, std::size_t length)
{
    const LogFiles *files = static_cast<const LogFiles *>(context);
    char path[MAX_PATH];
    if (!MakeLogFilePath(files->directory, date, files->suffix, path, sizeof path))
        return 0;
    // Appending only, and sharing with readers: a viewer following the day's
    // log keeps it open, and the writes must go on all the same.
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    // A full disk takes part of the text or none; the count says which.
    DWORD written = 0;
    WriteFile(file, bytes, static_cast<DWORD>(length), &written, NULL);
    CloseHandle(file);
    return written;
}

// The title marks the log as behind while text waits.
static void ReportWhetherTextWaits(HWND mainWindow, const TerminalState *state, bool waited)
{
    if (waited != (state->logBacklog != NULL))
        PostMessageA(mainWindow, kLogWaitsMessage, 0, 0);
}

int WriteDailyLog(HWND mainWindow, const char *text, DWORD length, const SYSTEMTIME &now)
{
    TerminalState *state = GetTerminalState(mainWindow);
    if (!state || !state->writeLog || !text || text[0] == '\0' || length == 0)
        return 0;
    bool waited = state->logBacklog != NULL;
    LogFiles files = {state->logDirectory, ""};
    AppendToLog(&state->logBacklog, {now.wYear, now.wMonth, now.wDay}, text, length, AppendToLogFile, &files);
    ReportWhetherTextWaits(mainWindow, state, waited);
    return 1;
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

void LogPaneBeforeExit(HWND mainWindow)
{
    const TerminalState *state = GetTerminalState(mainWindow);
    if (!state || !state->writeLog || !SendMessageA(state->outputEdit, EM_GETMODIFY, 0, 0))
        return;
    HWND pane = state->outputEdit;
    if (!LogOutputPane(mainWindow, -1, -1))
        return;
    SetWindowTextA(pane, "");
    SendMessageA(pane, EM_SETMODIFY, FALSE, 0);
}

void RetryDailyLog(HWND mainWindow)
{
    TerminalState *state = GetTerminalState(mainWindow);
    if (!state || !IsLogRetryDue(state->logBacklog, kRetryTicks))
        return;
    LogFiles files = {state->logDirectory, ""};
    FlushLogBacklog(&state->logBacklog, AppendToLogFile, &files);
    ReportWhetherTextWaits(mainWindow, state, true);
}

void FinishDailyLog(HWND mainWindow)
{
    TerminalState *state = GetTerminalState(mainWindow);
    if (!state || !state->logBacklog)
        return;
    LogFiles days = {state->logDirectory, ""};
    FlushLogBacklog(&state->logBacklog, AppendToLogFile, &days);
    LogFiles beside = {state->logDirectory, kBesideSuffix};
    FlushLogBacklog(&state->logBacklog, AppendToLogFile, &beside);
    FreeLogBacklog(&state->logBacklog);
    ReportWhetherTextWaits(mainWindow, state, true);
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
    // The current directory stays where it was, whatever the operator browses.
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    dialog.lpstrDefExt = extension[0] ? extension : NULL;
    return GetOpenFileNameA(&dialog);
}

// The system's own editor, by its full path: a bare name would be searched
// for in the program's folder and the current directory first.
static BOOL MakeEditorPath(char *path)
{
    char directory[MAX_PATH];
    UINT length = GetSystemDirectoryA(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return FALSE;
    int written = std::snprintf(path, MAX_PATH, "%s\\notepad.exe", directory);
    return written > 0 && written < MAX_PATH;
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
    char fileName[MAX_PATH] = "";
    char editor[MAX_PATH];
    if (ChooseLogFile(mainWindow, instance, directory, fileName) && MakeEditorPath(editor))
        ShellExecuteA(NULL, NULL, editor, fileName, NULL, SW_SHOWNORMAL);
}
