#include "tests/textflow/textflow_fixture.h"

#include <cstdio>
#include <vector>

#include "tests/support/build_files.h"
#include "tests/textflow/log_files.h"
#include "textflow/output_pane.h"

LoggedTerminal::LoggedTerminal(const char *iniText)
    : terminal_(iniText), logDirectory_(MakeTemporaryDirectory("vrklog"))
{
    if (TerminalState *state = State())
        lstrcpynA(state->logDirectory, (logDirectory_ + "\\").c_str(), MAX_PATH);
}

LoggedTerminal::~LoggedTerminal()
{
    RemoveDirectoryTree(logDirectory_);
}

void LoggedTerminal::Receive(const std::string &bytes)
{
    TerminalState *state = State();
    std::string chunk;
    if (state->leadByteCarry)
        chunk += state->leadByteCarry;
    chunk += bytes;
    AppendOutput(Pane(), &chunk[0], &state->leadByteCarry);
}

void LoggedTerminal::Show(const std::string &bytes)
{
    std::string text = bytes;
    AppendOutput(Pane(), &text[0], NULL);
}

std::string LoggedTerminal::Logs() const
{
    return ConcatenatedLogs(logDirectory_);
}

std::string LoggedTerminal::LogFile(const char *name) const
{
    return ReadWholeFile(logDirectory_ + "\\" + name);
}

int LoggedTerminal::LogFileCount() const
{
    return static_cast<int>(LogFileNames(logDirectory_).size());
}

std::string WindowText(HWND window)
{
    int length = GetWindowTextLengthA(window);
    std::vector<char> text(static_cast<size_t>(length) + 1);
    int copied = GetWindowTextA(window, text.data(), length + 1);
    return std::string(text.data(), copied > 0 ? static_cast<size_t>(copied) : 0);
}

static std::string Escaped(const std::string &text)
{
    std::string escaped;
    for (unsigned char byte : text) {
        char code[8];
        snprintf(code, sizeof code, byte >= 0x20 && byte < 0x7F ? "%c" : "\\x%02X", byte);
        escaped += code;
    }
    return escaped;
}

std::string Mismatch(const std::string &expected, const std::string &actual)
{
    if (expected == actual)
        return "";
    size_t at = 0;
    while (at < expected.size() && at < actual.size() && expected[at] == actual[at])
        ++at;
    size_t from = at > 20 ? at - 20 : 0;
    return "lengths " + std::to_string(expected.size()) + " and " + std::to_string(actual.size()) +
           ", first difference at " + std::to_string(at) + ": expected \"" +
           Escaped(expected.substr(from, 40)) + "\", got \"" + Escaped(actual.substr(from, 40)) + "\"";
}

std::string AsPaneHoldsIt(const std::string &text)
{
    HWND scratch = CreateWindowExA(0, "EDIT", "", ES_MULTILINE, 0, 0, 100, 100, NULL, NULL, NULL, NULL);
    SendMessageA(scratch, EM_SETLIMITTEXT, 0, 0);
    SetWindowTextA(scratch, text.c_str());
    std::string held = WindowText(scratch);
    DestroyWindow(scratch);
    return held;
}

SYSTEMTIME DayOf(WORD year, WORD month, WORD day)
{
    SYSTEMTIME time = {};
    time.wYear = year;
    time.wMonth = month;
    time.wDay = day;
    time.wHour = 12;
    return time;
}
