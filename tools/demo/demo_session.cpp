// A short scripted session for the demo on a display nobody watches: connect,
// type a few lines for the host simulator to answer, then hold still while
// the screenshot is taken, and close.
//
//   demo_session READY_FILE DONE_FILE
#include <windows.h>

#include <cstdio>
#include <string>

#include "tools/driving/files.h"
#include "tools/driving/terminal_process.h"
#include "tools/driving/window_search.h"

static void TypeLine(HWND input, const char *text)
{
    TypeText(input, text);
    TypeText(input, "\r");
    Sleep(900);
}

static bool WaitForFile(const std::string &path, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(100);
    }
    return true;
}

int main(int argc, char **argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: demo_session READY_FILE DONE_FILE\n");
        return 2;
    }
    TerminalProcess terminal("[VRK]\r\nCommPort=0\r\nBaudRate=9600\r\nLocalEcho=1\r\n");
    if (!terminal.Start() || terminal.Connect().empty()) {
        fprintf(stderr, "demo: the terminal did not start and connect\n");
        return 1;
    }
    HWND input = GetDlgItem(terminal.MainWindow(), kInputLineId);
    SetForegroundWindow(terminal.MainWindow());
    for (const char *line : {"HELLO", "STATUS", "LIST 3"})
        TypeLine(input, line);
    // The line stays unsent on screen, to show the input line in use.
    TypeText(input, "DATE");
    Sleep(700);
    WriteWholeFile(argv[1], "ready");
    // Time enough for the screenshot on a busy machine; a time-out says so.
    bool shot = WaitForFile(argv[2], 120000);
    if (!shot)
        fprintf(stderr, "demo: no screenshot was taken within two minutes\n");
    terminal.Close();
    return shot ? 0 : 1;
}
