#include "app/main_window.h"

#include <dde.h>

#include "app/commands.h"
#include "app/layout.h"
#include "core/message_box.h"
#include "core/program_identity.h"
#include "core/terminal_state.h"
#include "ipc/dde_probe.h"
#include "ipc/dde_server.h"
#include "ipc/ims_link.h"
#include "resources/resource_ids.h"
#include "serial/port_recovery.h"
#include "serial/serial_port.h"
#include "settings/settings_file.h"
#include "textflow/daily_log.h"
#include "textflow/input_line.h"
#include "textflow/output_pane.h"

static const DWORD kInitialSendBufferSize = 1024;

ATOM RegisterMainWindowClass(HINSTANCE instance)
{
    WNDCLASSW windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.cbWndExtra = sizeof(TerminalState *);
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_MAINICON));
    windowClass.hCursor = LoadCursorW(NULL, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszMenuName = MAKEINTRESOURCEW(IDR_MAINMENU);
    windowClass.lpszClassName = kMainClassName;
    return RegisterClassW(&windowClass);
}

HWND CreateMainWindow(HINSTANCE instance, const StartOptions *options)
{
    return CreateWindowExW(0, kMainClassName, kProgramName, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, NULL, NULL,
                           instance, const_cast<StartOptions *>(options));
}

static void FreeGlobalBlock(HGLOBAL *block, DWORD *size)
{
    if (*block)
        GlobalFree(*block);
    *block = NULL;
    *size = 0;
}

// Releases what the record owns apart from the window-bound parts (timer,
// port, subclasses, DDE), then the record itself. Safe on a half-built record.
static void FreeTerminalState(TerminalState *state)
{
    if (state->font)
        DeleteObject(state->font);
    state->font = NULL;
    if (state->backBrush)
        DeleteObject(state->backBrush);
    state->backBrush = NULL;
    FreeGlobalBlock(&state->sendBuffer, &state->sendBufferSize);
    FreeGlobalBlock(&state->receiveBuffer, &state->receiveBufferSize);
    if (state->contextMenu)
        DestroyMenu(state->contextMenu);
    state->contextMenu = NULL;
    LocalFree(state);
}

static BOOL SetAppearanceDefaults(TerminalState *state)
{
    state->font = static_cast<HFONT>(GetStockObject(SYSTEM_FIXED_FONT));
    if (!state->font || !GetObjectW(state->font, sizeof state->logFont, &state->logFont))
        return FALSE;
    state->textColor = GetSysColor(COLOR_WINDOWTEXT);
    state->backColor = GetSysColor(COLOR_WINDOW);
    state->backBrush = CreateSolidBrush(state->backColor);
    for (COLORREF &color : state->customColors)
        color = RGB(255, 255, 255);
    return state->backBrush != NULL;
}

static BOOL AllocateTextBuffers(TerminalState *state)
{
    state->sendBuffer = GlobalAlloc(GHND, kInitialSendBufferSize);
    state->receiveBuffer = GlobalAlloc(GHND, kReceiveBufferSize);
    if (!state->sendBuffer || !state->receiveBuffer)
        return FALSE;
    state->sendBufferSize = kInitialSendBufferSize;
    state->receiveBufferSize = kReceiveBufferSize;
    return TRUE;
}

static HWND CreatePane(HWND mainWindow, const TerminalState *state, int id, DWORD style)
{
    HWND pane = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | style,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                mainWindow, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                state->instance, NULL);
    if (pane)
        SendMessageW(pane, WM_SETFONT, reinterpret_cast<WPARAM>(state->font), TRUE);
    return pane;
}

static WNDPROC Subclass(HWND pane, WNDPROC procedure)
{
    return reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(pane, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure)));
}

// The record is complete and attached; bring the window to life and queue
// what the operator sees first. A terminal told to connect at start shows no
// dialog: nobody may be at the desk.
static void StartTerminal(HWND window, TerminalState *state, const StartOptions *options)
{
    SetLineDefaults(window);
    InitDdeServer(&state->ddeServer, window, kDefaultDdeServiceName);
    LoadSettings(state);
    const bool connectAtStart = (options && options->connect) || state->autoConnect;
    WPARAM firstCommand = connectAtStart ? 0 : IDM_CONNECT;
    if (state->ddeEnabled) {
        int duplicate = ProbeDuplicateService(window, &state->ddeServer);
        // The probe's waits dispatch messages: the window may have been closed.
        state = GetTerminalState(window);
        if (!state)
            return;
        if (duplicate) {
            state->ddeEnabled = 0;
            firstCommand = IDM_DUPLICATE_NOTICE;
        }
    }
    LayoutPanes(window);
    BuildMenus(window);
    state->outputOldProc = Subclass(state->outputEdit, OutputPaneProc);
    state->inputOldProc = Subclass(state->inputEdit, InputLineProc);
    state->timerId = SetTimer(window, kPollTimerId, kPollIntervalMs, NULL);
    if (connectAtStart)
        OpenSavedPortOrWait(window);
    if (firstCommand)
        PostMessageW(window, WM_COMMAND, firstCommand, 0);
    if (state->imsEnabled)
        PostMessageW(window, kImsDiscoverMessage, 0, 0);
}

static LRESULT OnCreate(HWND window, const CREATESTRUCTW *create)
{
    AttachTerminalState(window, NULL);
    auto *state = static_cast<TerminalState *>(LocalAlloc(LPTR, sizeof(TerminalState)));
    if (!state)
        return -1;
    state->instance = create->hInstance;
    DeriveFilePaths(state);
    if (!SetAppearanceDefaults(state) || !AllocateTextBuffers(state)) {
        FreeTerminalState(state);
        return -1;
    }
    state->writeLog = 1;
    state->autoReconnect = 1;
    state->imsMessage = RegisterWindowMessageW(kImsMessageName);
    state->outputEdit = CreatePane(window, state, kOutputPaneId, ES_MULTILINE | ES_AUTOVSCROLL);
    state->inputEdit = CreatePane(window, state, kInputLineId, ES_AUTOHSCROLL);
    if (!state->outputEdit || !state->inputEdit) {
        FreeTerminalState(state);
        return -1;
    }
    // 220 wide display lines and a chunk on top outgrow an edit control's
    // default limit of about 32 KB, which would silently drop received text.
    SendMessageW(state->outputEdit, EM_SETLIMITTEXT, 0, 0);
    AttachTerminalState(window, state);
    StartTerminal(window, state, static_cast<const StartOptions *>(create->lpCreateParams));
    return 0;
}

// A close tells the operator when the settings could not be saved; a logoff
// must not stop for a box.
static void OnClose(HWND window, BOOL sessionEnding)
{
    TerminalState *state = GetTerminalState(window);
    if (!state)
        return;
    SettingsFailure failure = SaveSettings(state);
    ReleaseImsLink(window);
    if (failure.step && !sessionEnding)
        ShowFailure(window, IDS_SETTINGS_NOT_SAVED, failure.step, failure.code);
}

static void StopPollTimer(HWND window, TerminalState *state)
{
    if (state->timerId)
        KillTimer(window, state->timerId);
    state->timerId = 0;
}

// At logoff or shutdown the system ends the process after this message,
// without a close: what a close keeps is kept now. When the process is not
// ended after all (the Restart Manager closing programs for an installer),
// a terminal left open would hold the port and read nothing: it ends as a
// close would, giving its DDE clients a second at most.
static void OnEndSession(HWND window)
{
    TerminalState *state = GetTerminalState(window);
    if (!state)
        return;
    StopPollTimer(window, state);
    OnClose(window, TRUE);
    FinishDailyLog(window);
    EndAllDdeConversations(window, kDdeSessionEndLimitMs);
    // The wait dispatches messages: a close may have ended the window.
    if (GetTerminalState(window))
        DestroyWindow(window);
}

static void Unsubclass(HWND pane, WNDPROC *oldProc)
{
    if (*oldProc)
        Subclass(pane, *oldProc);
    *oldProc = NULL;
}

static void OnDestroy(HWND window)
{
    // The waits below dispatch messages: the timer's work (reading,
    // reconnecting, the link check) ends here, before the port and the link go.
    TerminalState *state = GetTerminalState(window);
    if (state)
        StopPollTimer(window, state);
    EndAllDdeConversations(window, kDdeCloseLimitMs);
    // The wait for the DDE clients dispatches messages: a second close may
    // have released everything already, or an announcement linked the input
    // monitor server again to an input line about to go. The release waits on
    // the server too; a client that initiates meanwhile must not be taken up
    // into a table that is about to be freed without ending it. What DDE
    // clients or a paste showed meanwhile was logged as it was shown; what
    // still waits for the day's file goes beside it now.
    state = GetTerminalState(window);
    if (state)
        state->ddeEnabled = 0;
    ReleaseImsLink(window);
    FinishDailyLog(window);
    state = GetTerminalState(window);
    if (state) {
        FreeDdeConversationTable(&state->ddeServer);
        ClosePort(window);
        DetachMirroredMenus(window);
        Unsubclass(state->outputEdit, &state->outputOldProc);
        Unsubclass(state->inputEdit, &state->inputOldProc);
        FreeTerminalState(state);
        AttachTerminalState(window, NULL);
    }
    PostQuitMessage(0);
}

static BOOL OnSetFocus(HWND window)
{
    TerminalState *state = GetTerminalState(window);
    if (!state || !IsWindow(state->inputEdit))
        return FALSE;
    SetFocus(state->inputEdit);
    return TRUE;
}

// An acknowledgement is released whether or not the service is on: one may
// come after the probe switched it off.
static void RouteDdeMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    TerminalState *state = GetTerminalState(window);
    if (message == WM_DDE_ACK)
        HandleDdeAck(window, wParam, lParam);
    if (!state || !state->ddeEnabled)
        return;
    HWND sender = reinterpret_cast<HWND>(wParam);
    switch (message) {
    case WM_DDE_INITIATE:
        HandleDdeInitiate(window, sender, LOWORD(lParam), HIWORD(lParam));
        break;
    case WM_DDE_TERMINATE:
        HandleDdeTerminate(window, sender);
        break;
    case WM_DDE_EXECUTE:
        HandleDdeExecute(window, sender, lParam);
        break;
    }
}

// What arrived before the sleep is taken in before the port is let go.
static void OnPowerBroadcast(HWND window, WPARAM event)
{
    const TerminalState *state = GetTerminalState(window);
    if (state && event == PBT_APMSUSPEND)
        PollReceive(window, state->timerId);
    HandlePowerEvent(window, event);
}

static BOOL IsImsMessage(HWND window, UINT message)
{
    const TerminalState *state = GetTerminalState(window);
    return state && state->imsMessage && message == state->imsMessage;
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    switch (message) {
    case WM_CREATE:
        return OnCreate(window, reinterpret_cast<const CREATESTRUCTW *>(lParam));
    case WM_DESTROY:
        OnDestroy(window);
        return 0;
    case WM_SIZE:
    case WM_WININICHANGE:
        LayoutPanes(window);
        break;
    case WM_SETFOCUS:
        if (OnSetFocus(window))
            return 0;
        break;
    case WM_CLOSE:
        OnClose(window, FALSE);
        break;
    case WM_ENDSESSION:
        if (wParam)
            OnEndSession(window);
        return 0;
    case WM_SETCURSOR:
        if (HandleSetCursor(window, reinterpret_cast<HWND>(wParam), LOWORD(lParam)))
            return TRUE;
        break;
    case WM_COMMAND:
        if (HandleCommand(window, wParam))
            return 0;
        break;
    case WM_SYSCOMMAND:
        if (HandleSysCommand(window, wParam))
            return 0;
        break;
    case WM_TIMER:
        PollReceive(window, wParam);
        CheckImsLink(window, wParam);
        RetryDailyLog(window);
        WatchPort(window, wParam);
        break;
    case WM_DEVICECHANGE:
        HandleDeviceChange(window, wParam, lParam);
        break;
    case WM_POWERBROADCAST:
        OnPowerBroadcast(window, wParam);
        break;
    case WM_INITMENUPOPUP:
        UpdateMenuChecks(window, reinterpret_cast<HMENU>(wParam));
        break;
    case WM_CTLCOLOREDIT:
        if (HandleCtlColorEdit(window, reinterpret_cast<HDC>(wParam), &result))
            return result;
        break;
    case WM_PASTE:
        SendClipboardText(window);
        break;
    case WM_DDE_INITIATE:
    case WM_DDE_TERMINATE:
    case WM_DDE_ACK:
    case WM_DDE_EXECUTE:
        RouteDdeMessage(window, message, wParam, lParam);
        break;
    case kImsDiscoverMessage:
        StartImsDiscovery(window);
        break;
    case kLogWaitsMessage:
    case kPortStateMessage:
        RefreshTitle(window);
        break;
    default:
        if (IsImsMessage(window, message))
            HandleImsMessage(window, wParam, lParam);
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
