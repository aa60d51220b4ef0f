#include "tests/textflow/textflow_fixture.h"

#include <algorithm>
#include <cstdio>

#include "tests/support/build_files.h"
#include "tests/textflow/log_files.h"
#include "textflow/output_pane.h"

LoggedTerminal::LoggedTerminal() : logDirectory_(MakeTemporaryDirectory("vrklog"))
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
    char *carry = &State()->leadByteCarry;
    std::string chunk = std::string(*carry ? 1 : 0, *carry) + bytes;
    AppendOutput(Pane(), &chunk[0], carry);
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

std::string LoggedTerminal::LogFile(const std::string &name) const
{
    return ReadWholeFile(logDirectory_ + "\\" + name);
}

std::string TodaysLogName()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    char name[16];
    snprintf(name, sizeof name, "%02d%02d%02d.LOG", now.wYear % 100, now.wMonth, now.wDay);
    return name;
}

std::string AsPaneHoldsIt(const std::string &text)
{
    HWND scratch = CreateWindowExA(0, "EDIT", "", ES_MULTILINE, 0, 0, 100, 100, NULL, NULL, NULL, NULL);
    SetWindowTextA(scratch, text.c_str());
    std::string held = TextOf(scratch);
    DestroyWindow(scratch);
    return held;
}

std::string TextOf(HWND window)
{
    char text[4096] = "";
    SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

std::string Mismatch(const std::string &expected, const std::string &actual)
{
    if (expected == actual)
        return "";
    auto parted = std::mismatch(expected.begin(), expected.end(), actual.begin(), actual.end());
    return "lengths " + std::to_string(expected.size()) + " and " + std::to_string(actual.size()) +
           ", first difference at " + std::to_string(parted.first - expected.begin());
}
