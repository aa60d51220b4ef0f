// What the text-flow tests share: a terminal whose daily logs go to a
// directory of the test's own, and received text handed over the way a poll
// hands it.
#pragma once

#include <windows.h>

#include <string>

#include "tests/support/in_process_terminal.h"

class LoggedTerminal : public InProcessTerminal {
public:
    LoggedTerminal();
    ~LoggedTerminal();

    HWND Pane() const { return State()->outputEdit; }
    HWND Input() const { return State()->inputEdit; }
    const std::string &LogDirectory() const { return logDirectory_; }

    // Hands bytes to the pane as received text: any carried lead byte first,
    // then the bytes, exactly as the poll lays out a chunk.
    void Receive(const std::string &bytes);
    // Hands bytes to the pane as echo or DDE text: no carry, no capture.
    void Show(const std::string &bytes);
    // Every daily log file's bytes, the files in name (date) order.
    std::string Logs() const;
    std::string LogFile(const std::string &name) const;

private:
    std::string logDirectory_;
};

// The text as an edit control keeps it. A control that stores wide text turns
// a lead byte without its second byte into the code page's default
// character; one that stores 8-bit text keeps it.
std::string AsPaneHoldsIt(const std::string &text);

// The name of the daily log file that a write made now goes to.
std::string TodaysLogName();

// The text of a window of this or another process, up to 4 KB.
std::string TextOf(HWND window);

// Asks `found` every 20 ms until it answers something (a window, true) or
// timeoutMs pass; returns its last answer.
template <typename Found>
auto WaitFor(Found found, DWORD timeoutMs = 3000)
{
    DWORD start = GetTickCount();
    auto answer = found();
    for (; !answer && GetTickCount() - start < timeoutMs; answer = found())
        Sleep(20);
    return answer;
}

// Empty when the two texts are equal, else where they part: long texts in a
// failure message help nobody.
std::string Mismatch(const std::string &expected, const std::string &actual);
