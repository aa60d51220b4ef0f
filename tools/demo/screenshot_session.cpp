// Stages the main window for the README picture: connected on COM1, a few
// lines from the host received, one line typed, the settings menu open. Not a
// test; bench/screenshot.sh runs it and takes the picture.
//
//   screenshot_session READY_FILE
//
// Writes the window's geometry (WxH+X+Y) to READY_FILE once everything is in
// place, then holds still until its standard input ends.
#include <windows.h>

#include <cstdio>
#include <string>

#include "tools/driving/far_end.h"
#include "tools/driving/files.h"
#include "tools/driving/serial_ports.h"
#include "tools/driving/terminal_process.h"
#include "tools/driving/window_search.h"

static const char kHostLines[] =
    "ULACS V2.0 READY\r\n"
    "\x90\xda\x91\xb1\x82\xb5\x82\xdc\x82\xb5\x82\xbd\r\n"  // 接続しました
    "LIST 3\r\n"
    "  001  \x8e\xf3\x95\x74\x8d\xcf\x82\xdd\r\n"          // 受付済み
    "  002  \x8f\x88\x97\x9d\x92\x86\r\n"                  // 処理中
    "  003  \x8a\xae\x97\xb9\r\n";                        // 完了

static void WriteGeometry(const char *path, HWND window)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    char geometry[64];
    snprintf(geometry, sizeof geometry, "%ldx%ld+%ld+%ld", rect.right - rect.left, rect.bottom - rect.top, rect.left,
             rect.top);
    WriteWholeFile(path, geometry);
}

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: screenshot_session READY_FILE\n");
        return 2;
    }
    TerminalProcess terminal("[VRK]\r\nCommPort=0\r\nBaudRate=9600\r\nLocalEcho=1\r\nWriteLog=1\r\n");
    if (!terminal.Start() || terminal.Connect().empty()) {
        fprintf(stderr, "screenshot: the terminal did not start and connect\n");
        return 1;
    }
    HWND window = terminal.MainWindow();
    HDC screen = GetDC(NULL);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(NULL, screen);
    SetWindowPos(window, NULL, 0, 0, MulDiv(720, dpi, 96), MulDiv(480, dpi, 96), SWP_NOZORDER);
    FarEnd host(FarPortOf(1));
    host.Write(kHostLines);
    TypeText(GetDlgItem(window, kInputLineId), "STATUS 002");
    Sleep(1000);
    // Alt+O: the settings menu drops from the menu bar, its check marks set.
    PostMessageA(window, WM_SYSCOMMAND, SC_KEYMENU, 'o');
    Sleep(700);
    WriteGeometry(argv[1], window);
    for (int c = fgetc(stdin); c != EOF && c != '\n'; c = fgetc(stdin)) {
    }
    PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    Sleep(300);
    // The system lists a USB serial adapter and the name its driver gives
    // it, as a Windows PC would.
    ListSerialPorts({"COM7"}, false);
    RegisterPortDevice("COM7", L"USB Serial Port (COM7)");
    PostMessageA(window, WM_COMMAND, 40016, 0);
    HWND dialog = WaitForTopLevel(terminal.ProcessId(), kDialogClass, kPortDialogTitle, 5000);
    // The operator picks the adapter from the list of other ports.
    HWND list = GetDlgItem(dialog, 1010);
    SendMessageA(list, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("COM7"));
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(1010, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    Sleep(700);
    WriteGeometry(argv[1], dialog);
    while (fgetc(stdin) != EOF) {
    }
    PressDialogButton(dialog, IDCANCEL);
    RemovePortDevices();
    terminal.Close();
    return 0;
}
