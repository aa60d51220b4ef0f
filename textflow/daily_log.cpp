#include "textflow/daily_log.h"

#include <commdlg.h>
#include <shellapi.h>

#include <cwchar>

#include "core/program_identity.h"
#include "core/terminal_state.h"
#include "resources/resource_ids.h"
#include "textflow/log_backlog.h"
#include "textflow/log_file_name.h"

// Text that waits is tried again every so often even when nothing new is
// logged, so that a quiet line does not keep it in memory for long.
static const unsigned kRetryTicks = 10000 / kPollIntervalMs;
static const wchar_t kBesideSuffix[] = L"_2";

// Where a writer puts a date's text: the day's file, or at exit, when that
// still cannot be written, the file beside it.
struct LogFiles {
    const wchar_t *directory;
    const wchar_t *suffix;
};

static std::size_t AppendToLogFile(void *context, const LogDate &date, const char *bytes, std::size_t length)
{
    const LogFiles *files = static_cast<const LogFiles *>(context);
    wchar_t path[MAX_PATH];
    if (!MakeLogFilePath(files->directory, date, files->suffix, path, MAX_PATH))
        return 0;
    // Appending only, and sharing with readers: a viewer following the day's
    // log keeps it open, and the writes must go on all the same.
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
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
        PostMessageW(mainWindow, kLogWaitsMessage, 0, 0);
}

int WriteDailyLog(HWND mainWindow, const char *text, DWORD length, const SYSTEMTIME &arrived)
{
    TerminalState *state = GetTerminalState(mainWindow);
    if (!state || !state->writeLog || !text || text[0] == '\0' || length == 0)
        return 0;
    bool waited = state->logBacklog != NULL;
    LogFiles files = {state->logDirectory, L""};
    AppendToLog(&state->logBacklog, {arrived.wYear, arrived.wMonth, arrived.wDay}, text, length, AppendToLogFile, &files);
    ReportWhetherTextWaits(mainWindow, state, waited);
    return 1;
}

void RetryDailyLog(HWND mainWindow)
{
    TerminalState *state = GetTerminalState(mainWindow);
    if (!state || !IsLogRetryDue(state->logBacklog, kRetryTicks))
        return;
    LogFiles files = {state->logDirectory, L""};
    FlushLogBacklog(&state->logBacklog, AppendToLogFile, &files);
    ReportWhetherTextWaits(mainWindow, state, true);
}

void FinishDailyLog(HWND mainWindow)
{
    TerminalState *state = GetTerminalState(mainWindow);
    if (!state || !state->logBacklog)
        return;
    LogFiles days = {state->logDirectory, L""};
    FlushLogBacklog(&state->logBacklog, AppendToLogFile, &days);
    LogFiles beside = {state->logDirectory, kBesideSuffix};
    FlushLogBacklog(&state->logBacklog, AppendToLogFile, &beside);
    FreeLogBacklog(&state->logBacklog);
    ReportWhetherTextWaits(mainWindow, state, true);
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

// The system's own editor, by its full path: a bare name would be searched
// for in the program's folder and the current directory first.
static BOOL MakeEditorPath(wchar_t *path)
{
    static const wchar_t kEditor[] = L"\\notepad.exe";
    UINT length = GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length + sizeof kEditor / sizeof kEditor[0] > MAX_PATH)
        return FALSE;
    std::wmemcpy(path + length, kEditor, sizeof kEditor / sizeof kEditor[0]);
    return TRUE;
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
    // The dialog moves the current directory as the operator browses, and
    // its flag against that works only for the save dialog. A directory too
    // long to be saved whole is better left alone than cut.
    wchar_t savedDirectory[MAX_PATH] = L"";
    DWORD saved = GetCurrentDirectoryW(MAX_PATH, savedDirectory);
    wchar_t fileName[MAX_PATH] = L"";
    wchar_t editor[MAX_PATH];
    if (ChooseLogFile(mainWindow, instance, directory, fileName) && MakeEditorPath(editor))
        ShellExecuteW(NULL, NULL, editor, fileName, NULL, SW_SHOWNORMAL);
    if (saved > 0 && saved < MAX_PATH)
        SetCurrentDirectoryW(savedDirectory);
}
