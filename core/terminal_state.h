// The one record that holds everything the terminal window knows.
#pragma once

#include <windows.h>

enum DdeConversationState : LONG {
    kDdeFree = 0,
    kDdeInitiated = 1,
    kDdeConnected = 2,
    kDdeTerminating = 3,
};

// The daily log's text that waits for its file (textflow/log_backlog.h).
struct LogBacklog;

struct DdeConversation {
    HWND client;
    LONG state;
};

struct DdeServerState {
    HWND owner;
    wchar_t serviceName[MAX_PATH];
    LONG capacity;
    LONG count;
    HGLOBAL storage;
    DdeConversation *entries;
    LONG probing;
    LONG probeState;
    HWND probePartner;
};

// Flags are LONG, 0 or 1 (a hand-edited setting may hold any non-zero
// value), so that the settings table can reach every integer field alike.
struct TerminalState {
    HINSTANCE instance;
    HWND outputEdit;
    HWND inputEdit;
    WNDPROC outputOldProc;
    WNDPROC inputOldProc;
    HFONT font;
    LOGFONTW logFont;
    COLORREF textColor;
    COLORREF backColor;
    HBRUSH backBrush;
    COLORREF customColors[16];
    HGLOBAL sendBuffer;
    DWORD sendBufferSize;
    HGLOBAL receiveBuffer;
    DWORD receiveBufferSize;
    UINT_PTR timerId;
    wchar_t iniPath[MAX_PATH];
    // The settings file was there at start-up but could not be read: it is
    // kept as it is at close.
    LONG settingsUnreadable;
    wchar_t logDirectory[MAX_PATH];
    LONG shiftLock;
    LONG hideInput;
    HMENU contextMenu;
    LogBacklog *logBacklog;
    LONG ddeEnabled;
    DdeServerState ddeServer;
    LONG portIndex;
    LONG baudRate;
    HANDLE port;
    DCB dcb;
    // The error code of the open port's last failed call, left there by the
    // port for its recovery to judge (serial/port_recovery.h).
    DWORD portFailure;
    // The switch; the port's device went away and the port is waited for;
    // poll ticks until the next try to open it, and the ticks between a
    // failed try and the next.
    LONG autoReconnect;
    // The AutoConnect setting: start on the saved port without the dialogs.
    LONG autoConnect;
    LONG portLost;
    LONG portTicksToTry;
    LONG portTryGap;
    LONG sendFailureShown;
    // The line's bytes: a Shift-JIS lead byte that ended the last chunk.
    char leadByteCarry;
    LONG undoCapturing;
    LONG enableUndo;
    LONG localEcho;
    LONG writeLog;
    UINT imsMessage;
    LONG imsEnabled;
    HWND imsServer;
    LONG imsDiscovering;
    LONG imsAccepting;
};

// The main window keeps the record's address in window long 0; a pane or a
// dialog reaches it through its parent. Both return NULL while no record is
// attached, and every handler then leaves the message alone.
TerminalState *GetTerminalState(HWND mainWindow);
TerminalState *GetParentTerminalState(HWND child);
void AttachTerminalState(HWND mainWindow, TerminalState *state);
