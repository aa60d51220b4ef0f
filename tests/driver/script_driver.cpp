// Runs one scenario against the real VRK.exe: a line a step, first word the
// verb, texts in double quotes with the escapes \r \n \t \\ \xHH. The file is
// UTF-8; texts reach the terminal, its files and its cables in code page 932,
// and its windows in UTF-16, whatever the system's code page. With a code
// page given, the run fails unless the system has that one.
//
//   vrk_script SCENARIO [CODEPAGE]
//
// Exit status 0 when every step held; otherwise the failing line is named.
#include <windows.h>

#include <dde.h>
#include <ddeml.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tools/driving/far_end.h"
#include "tools/driving/files.h"
#include "tools/driving/programs.h"
#include "tools/driving/serial_ports.h"
#include "tools/driving/terminal_process.h"
#include "tools/driving/window_search.h"
#include "core/shift_jis.h"
#include "tools/host_sim/text_escapes.h"
#include "textflow/log_file_name.h"

namespace {

// The exit status ctest counts as a skipped test.
const int kSkipped = 77;

std::wstring Widen(const std::string &text, UINT codePage = 932)
{
    std::wstring wide(text.size(), L'\0');
    wide.resize(static_cast<size_t>(MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()),
                                                        &wide[0], static_cast<int>(wide.size()))));
    return wide;
}

std::string Narrow(const std::wstring &wide, UINT codePage = 932)
{
    std::string text(wide.size() * 3, '\0');
    text.resize(static_cast<size_t>(WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()),
                                                        &text[0], static_cast<int>(text.size()), NULL, NULL)));
    return text;
}

// Words of a line; a quoted word keeps its spaces and has its escapes decoded.
bool SplitWords(const std::string &line, std::vector<std::string> &words, std::string &error)
{
    for (size_t at = 0; at < line.size();) {
        if (line[at] == ' ') {
            ++at;
            continue;
        }
        bool quoted = line[at] == '"';
        size_t start = at + (quoted ? 1 : 0);
        size_t end = start;
        while (end < line.size() && line[end] != (quoted ? '"' : ' '))
            end += IsShiftJisLeadByte(static_cast<unsigned char>(line[end])) ? 2 : 1;
        std::string word;
        if (!DecodeEscapes(line.substr(start, end - start), word, error))
            return false;
        words.push_back(word);
        at = end + (quoted ? 1 : 0);
    }
    return true;
}

bool WaitUntil(const std::function<bool()> &done, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(20);
    }
    return true;
}

// A program of the build started by the scenario, its output in a file.
struct Spawned {
    PROCESS_INFORMATION process = {};
    std::string output;
    ~Spawned()
    {
        if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(process.hProcess, 1);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
        DeleteFileA(output.c_str());
    }
};

HDDEDATA CALLBACK IgnoreTransactions(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR)
{
    return NULL;
}

// Executes from a client of the platform's DDE library, in its ANSI or
// Unicode form, each client with an instance of its own (one instance
// connects only once to a service under Wine). True when every execute was
// acknowledged positively.
bool DdeExecute(const std::string &service, const std::string &command, bool unicode, int count = 1)
{
    DWORD instance = 0;
    if ((unicode ? DdeInitializeW : DdeInitializeA)(&instance, IgnoreTransactions, APPCMD_CLIENTONLY, 0))
        return false;
    HSZ serviceName = DdeCreateStringHandleW(instance, Widen(service).c_str(), CP_WINUNICODE);
    HSZ topicName = DdeCreateStringHandleW(instance, L"Command", CP_WINUNICODE);
    HCONV conversation = DdeConnect(instance, serviceName, topicName, NULL);
    // Wine's library reads the byte count as a character count when it
    // converts for an ANSI server; the padding keeps that read inside.
    std::wstring wide = Widen(command);
    DWORD wideBytes = static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t));
    wide.resize(wide.size() * 2 + 2);
    BYTE *data = reinterpret_cast<BYTE *>(unicode ? static_cast<void *>(&wide[0]) : const_cast<char *>(command.c_str()));
    DWORD size = unicode ? wideBytes : static_cast<DWORD>(command.size() + 1);
    bool acknowledged = conversation != NULL;
    for (int i = 0; i < count && acknowledged; ++i)
        acknowledged = DdeClientTransaction(data, size, conversation, NULL, 0, XTYP_EXECUTE, 5000, NULL) != NULL;
    DdeDisconnect(conversation);
    DdeFreeStringHandle(instance, serviceName);
    DdeFreeStringHandle(instance, topicName);
    DdeUninitialize(instance);
    return acknowledged;
}

// Another program's paste, count times: the text on the clipboard, then
// WM_PASTE sent to the window. True when every send was answered.
bool Paste(HWND window, const std::string &text, int count)
{
    std::wstring wide = Widen(text);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, (wide.size() + 1) * sizeof(wchar_t));
    std::memcpy(GlobalLock(block), wide.c_str(), wide.size() * sizeof(wchar_t));
    GlobalUnlock(block);
    if (!OpenClipboard(NULL) || !EmptyClipboard() || !SetClipboardData(CF_UNICODETEXT, block) || !CloseClipboard())
        return false;
    bool answered = true;
    for (int i = 0; i < count && answered; ++i)
        answered = SendMessageTimeoutA(window, WM_PASTE, 0, 0, SMTO_NORMAL, 5000, NULL) != 0;
    return answered;
}

class Scenario {
public:
    // Runs one step; false, with what was found in found_, when it failed.
    bool Step(const std::vector<std::string> &w)
    {
        const std::string &verb = w[0];
        if (verb == "exe")
            return ChooseExe(w[1]);
        if (verb == "ini") {
            terminals_.push_back(std::make_unique<TerminalProcess>(w[1] == "-" ? nullptr : w[1].c_str(), exe_));
            current_ = terminals_.size() - 1;
            return true;
        }
        if (verb == "terminal")
            return (current_ = std::strtoul(w[1].c_str(), NULL, 0) - 1) < terminals_.size();
        if (verb == "start" || verb == "launch") {
            const std::string arguments = w.size() > 1 ? w[1] : "";
            return verb == "start" ? Terminal().Start(arguments) : Terminal().Launch(arguments);
        }
        if (verb == "connect")
            return Found(Terminal().Connect()).find(L"通信ポートを開きました") == 0;
        if (verb == "dialog")
            return AnswerDialog(Widen(w[1]), std::atoi(w[2].c_str()), std::atoi(w[3].c_str()), w[4] == "ok");
        if (verb == "centred")
            return IsCentred(WaitForTopLevel(Terminal().ProcessId(), kDialogClass, Widen(w[1]).c_str(), 15000));
        if (verb == "serialcomm")
            return ListSerialPorts(std::vector<std::string>(w.begin() + 1, w.end()), true);
        if (verb == "portlist" || verb == "pick" || verb == "click")
            return PortDialogStep(w);
        if (verb == "box")
            return Found(AnswerMessageBox(Terminal().ProcessId(), 15000)).find(Widen(w[1])) != std::wstring::npos;
        if (verb == "nobox")
            return !WaitForTopLevel(Terminal().ProcessId(), kDialogClass, NULL, std::atoi(w[1].c_str()));
        if (verb == "title")
            return WaitUntil([&] { return Found(WindowTextOf(Terminal().MainWindow())) == Widen(w[1]); }, 5000);
        if (verb == "type") {
            TypeText(GetDlgItem(Terminal().MainWindow(), kInputLineId), w[1]);
            return true;
        }
        if (verb == "pane" || verb == "line")
            return WaitUntil([&] { return Found(TextOf(verb == "pane" ? kOutputPaneId : kInputLineId)) == Widen(w[1]); }, 5000);
        if (verb == "command" || verb == "syscommand" || verb == "power")
            return PostMessageA(Terminal().MainWindow(), verb == "command" ? WM_COMMAND : verb == "power" ? WM_POWERBROADCAST : WM_SYSCOMMAND,
                                std::strtoul(w[1].c_str(), NULL, 0), 0);
        if (verb == "close") {
            Terminal().Close(0);
            return true;
        }
        if (verb == "kill")  // as End task does with a hung program
            return TerminateProcess(Terminal().Process(), 1);
        if (verb == "exit")
            return Terminal().HasExited(20000) && Found(std::to_wstring(Terminal().ExitCode())) == Widen(w[1]);
        if (verb == "file")
            return Found(Widen(ReadWholeFile(Terminal().PathOf(w[1].c_str())))) == Widen(w[2]);
        if (verb == "log" || verb == "logged")  // logged NAME [MORE]: what the program sent, then MORE
            return Found(Widen(ConcatenatedLogs(Terminal().Directory()))) ==
                   Widen(verb == "log" ? w[1] : AsLogged(ReadWholeFile(spawned_[w[1]]->output)) + (w.size() > 2 ? w[2] : ""));
        if (verb == "send")
            return Cable(w[1]).Write(w[2]);
        if (verb == "expect")
            return Found(Widen(Cable(w[1]).Read(w[2].size(), 5000))) == Widen(w[2]);
        if (verb == "quiet")
            return Found(Widen(Cable(w[1]).ReadUntilQuiet(500))).empty();
        if (verb == "dde" || verb == "ddew")
            return DdeExecute(w[1], w[2], verb == "ddew") == (w.size() < 4);
        if (verb == "dde-burst")
            return DdeExecute(w[1], w[2], false, std::atoi(w[3].c_str()));
        if (verb == "paste")
            return Paste(Terminal().MainWindow(), w[1], std::atoi(w[2].c_str()));
        if (verb == "pull" || verb == "plug") {
            // Wine starts Linux programs like its own. A cable plugged in
            // again opens as a serial port a moment later.
            const std::string farPort = std::to_string(FarPortOf(std::atoi(w[1].c_str())));
            cables_.erase(farPort);
            if (!RunToEnd("/bin/sh -c \"\\\"$VRK_CABLE\\\" \\\"$VRK_BENCH\\\" " + verb + " " + w[1] + "\""))
                return false;
            Sleep(verb == "pull" ? 300 : 0);
            return WaitUntil([&] { return verb == "pull" || Cable(farPort).IsOpen() || cables_.erase(farPort) > 1; }, 3000);
        }
        if (verb == "initiate-for")
            return InitiateFor(w[1], w[2]);
        if (verb == "spawn")
            return Spawn(w);
        if (verb == "ended")
            return WaitForSingleObject(spawned_[w[1]]->process.hProcess, 60000) == WAIT_OBJECT_0;
        if (verb == "hold")
            return HoldTodaysLog(w[1] == "lock");
        if (verb == "release")
            return CloseHandle(std::exchange(held_, INVALID_HANDLE_VALUE));
        if (verb == "endsession")  // logoff as the system makes it: it asks, then tells the outcome
            return SendMessageW(Terminal().MainWindow(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF) &&
                   !SendMessageW(Terminal().MainWindow(), WM_ENDSESSION, w[1] == "1", ENDSESSION_LOGOFF);
        if (verb == "says")
            return WaitUntil([&] { return Found(Widen(ReadWholeFile(spawned_[w[1]]->output))).find(Widen(w[2])) != std::wstring::npos; }, 8000);
        if (verb == "sleep") {
            Sleep(std::strtoul(w[1].c_str(), NULL, 0));
            return true;
        }
        if (verb == "mark") {
            mark_ = GetTickCount();
            return true;
        }
        if (verb == "within") {
            DWORD elapsed = GetTickCount() - mark_;
            Found(std::to_wstring(elapsed) + L" ms");
            return elapsed >= std::strtoul(w[1].c_str(), NULL, 0) && elapsed <= std::strtoul(w[2].c_str(), NULL, 0);
        }
        found_ = L"an unknown verb";
        return false;
    }
    const std::wstring &LastFound() const { return found_; }

private:
    TerminalProcess &Terminal() { return *terminals_.at(current_); }

    FarEnd &Cable(const std::string &port)
    {
        std::unique_ptr<FarEnd> &end = cables_[port];
        if (!end)
            end = std::make_unique<FarEnd>(std::atoi(port.c_str()), 9600);
        return *end;
    }

    const std::wstring &Found(const std::wstring &text) { return found_ = text; }

    // The text of a pane; another process's window answers only WM_GETTEXT.
    std::wstring TextOf(int pane)
    {
        static wchar_t text[65536];
        DWORD_PTR length = 0;
        SendMessageTimeoutW(GetDlgItem(Terminal().MainWindow(), pane), WM_GETTEXT, 65536,
                            reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, &length);
        return std::wstring(text, length);
    }

    // Checks which radio button the dialog has checked (0: none), then
    // chooses another (0 keeps it) and presses OK or Cancel.
    bool AnswerDialog(const std::wstring &title, int checked, int choice, bool ok)
    {
        HWND dialog = WaitForTopLevel(Terminal().ProcessId(), kDialogClass, title.c_str(), 15000);
        if (!dialog)
            return Found(L"no dialog").empty();
        int found = 0;
        for (int id = 1000; id < 1010; ++id)
            found = SendDlgItemMessageW(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED ? id : found;
        Found(L"checked " + std::to_wstring(found));
        return found == checked && Terminal().AnswerDialog(title.c_str(), choice, ok);
    }

    // A dialog stands centred over the main window.
    bool IsCentred(HWND dialog)
    {
        RECT owner = {}, placed = {};
        GetWindowRect(Terminal().MainWindow(), &owner);
        GetWindowRect(dialog, &placed);
        Found(std::to_wstring(placed.left + placed.right) + L"," + std::to_wstring(placed.top + placed.bottom));
        return abs(owner.left + owner.right - placed.left - placed.right) <= 2 && abs(owner.top + owner.bottom - placed.top - placed.bottom) <= 2;
    }

    // portlist ITEMS CHOSEN: the list of other ports holds these (space
    // separated) with this one chosen ("-" none), and is enabled when it
    // holds any; pick NAME chooses one as a click would; click ID clicks a
    // port button.
    bool PortDialogStep(const std::vector<std::string> &w)
    {
        HWND dialog = WaitForTopLevel(Terminal().ProcessId(), kDialogClass, L"通信ポートの選択", 15000);
        HWND list = GetDlgItem(dialog, 1010);
        if (w[0] == "click")
            return SendDlgItemMessageA(dialog, std::atoi(w[1].c_str()), BM_CLICK, 0, 0) || true;
        if (w[0] == "pick") {
            SendMessageA(list, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(w[1].c_str()));
            return SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(1010, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list)) || true;
        }
        std::wstring items;
        for (LRESULT i = 0; i < SendMessageW(list, CB_GETCOUNT, 0, 0); ++i) {
            wchar_t item[16] = L"";
            SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item));
            items.append(i ? L" " : L"").append(item);
        }
        wchar_t chosen[16] = L"-";
        if (SendMessageW(list, WM_GETTEXT, 16, reinterpret_cast<LPARAM>(chosen)) == 0)
            wcscpy(chosen, L"-");
        Found(items + L" | " + chosen + (IsWindowEnabled(list) ? L" enabled" : L" disabled"));
        return items == Widen(w[1]) && chosen == Widen(w[2]) && (IsWindowEnabled(list) != 0) == !items.empty();
    }

    // initiate-for PEER SERVICE: an initiate naming the peer's window, whose
    // thread has stopped answering, as the client; no answer may be kept for it.
    bool InitiateFor(const std::string &peer, const std::string &service)
    {
        std::string ready = ReadWholeFile(spawned_[peer]->output);
        HWND client = reinterpret_cast<HWND>(std::strtoull(ready.c_str() + ready.find(' '), NULL, 10));
        ATOM serviceAtom = GlobalAddAtomA(service.c_str()), topic = GlobalAddAtomA("Command");
        SendMessageTimeoutA(Terminal().MainWindow(), WM_DDE_INITIATE, reinterpret_cast<WPARAM>(client),
                            MAKELPARAM(serviceAtom, topic), SMTO_NORMAL, 5000, NULL);
        GlobalDeleteAtom(serviceAtom);
        GlobalDeleteAtom(topic);
        return Found(std::to_wstring(GlobalFindAtomA(service.c_str()))) == L"0";
    }

    // hold view|lock: today's log held open as a viewer does, sharing, or
    // locked, which can only happen between the terminal's writes.
    bool HoldTodaysLog(bool lock)
    {
        SYSTEMTIME now;
        GetLocalTime(&now);
        wchar_t path[MAX_PATH];
        MakeLogFilePath(Widen(Terminal().Directory() + "\\").c_str(), {now.wYear, now.wMonth, now.wDay}, L"", path,
                        MAX_PATH);
        return WaitUntil([&] {
            held_ = CreateFileW(path, GENERIC_READ | (lock ? GENERIC_WRITE : 0),
                                lock ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS, 0, NULL);
            return held_ != INVALID_HANDLE_VALUE;
        }, 2000);
    }

    // spawn NAME PROGRAM ARGUMENTS...: the output file's path comes first.
    bool Spawn(const std::vector<std::string> &w)
    {
        auto spawned = std::make_unique<Spawned>();
        spawned->output = BuildFile((w[1] + ".out").c_str());
        DeleteFileA(spawned->output.c_str());
        std::string exe = BuildFile(w[2].c_str());
        std::string commandLine = "\"" + exe + "\"";
        for (size_t i = 3; i < w.size(); ++i)
            commandLine += " \"" + (w[i] == "@out" ? spawned->output : w[i]) + "\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        bool started = CreateProcessA(exe.c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                                      &spawned->process);
        spawned_[w[1]] = std::move(spawned);
        return started;
    }

    // exe ENVIRONMENT_VARIABLE: the terminals that follow run the program the
    // variable names instead of this build's. Without it the scenario cannot
    // run here, and says so with the exit status that marks a skipped test.
    bool ChooseExe(const std::string &variable)
    {
        const char *path = std::getenv(variable.c_str());
        if (path && *path)
            return !(exe_ = std::string("Z:") + path).empty();
        printf("skipped: %s names no program\n", variable.c_str());
        std::exit(kSkipped);
    }

    std::string exe_ = BuildFile("VRK.exe");
    std::vector<std::unique_ptr<TerminalProcess>> terminals_;
    size_t current_ = 0;
    std::map<std::string, std::unique_ptr<FarEnd>> cables_;
    std::map<std::string, std::unique_ptr<Spawned>> spawned_;
    std::wstring found_;
    DWORD mark_ = GetTickCount();
    HANDLE held_ = INVALID_HANDLE_VALUE;
};

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 2 || argc > 3) {
        fprintf(stderr, "usage: vrk_script SCENARIO [CODEPAGE]\n");
        return 2;
    }
    if (argc == 3 && GetACP() != std::strtoul(argv[2], NULL, 10)) {
        fprintf(stderr, "the system's code page is %u, not %s\n", GetACP(), argv[2]);
        return 1;
    }
    std::istringstream lines(ReadWholeFile(argv[1]));
    Scenario scenario;
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::vector<std::string> words;
        std::string error;
        if (!line.empty() && line[0] != '#' && (!SplitWords(Narrow(Widen(line, CP_UTF8)), words, error) || !scenario.Step(words))) {
            fprintf(stderr, "%s:%d: failed: %s\n  found: %s%s\n", argv[1], number, line.c_str(),
                    Narrow(scenario.LastFound(), CP_UTF8).c_str(), error.c_str());
            return 1;
        }
    }
    return 0;
}
