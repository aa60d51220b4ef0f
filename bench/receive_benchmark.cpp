// Streams generated host text into the real terminal over a bench cable, and
// the same kind of stream into Debian's PuTTY on a second cable, and reports
// side by side what arrived, how fast, and at what cost. Not a test: run it
// with bench/run-receive-benchmark.sh.
//
//   receive_benchmark [SECONDS]        each stream and rate for SECONDS (default 30)
//   receive_benchmark --soak MINUTES   the terminal alone, short lines at 115200
#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "tools/driving/files.h"
#include "tools/driving/programs.h"
#include "tools/driving/terminal_process.h"
#include "tools/driving/window_search.h"

namespace {

const int kTerminalPort = 1;   // the terminal on COM1, its host on COM21
const int kPuttyPort = 2;      // PuTTY on the Linux end of COM2, its host on COM22
// A reader is taken as drained once what it holds has not grown for this
// long, five poll ticks; idle is measured over two minutes, in which the
// kernel's 10 ms ticks resolve 0.01% of a core.
const DWORD kQuietMs = 1500;
const DWORD kDrainLimitMs = 120000;
const DWORD kIdleMs = 120000;

struct Run {
    const char *program;
    const char *stream;
    long baudRate = 0;
    unsigned long long bytesSent = 0;
    long long bytesLost = -1;
    double seconds = 0;
    double drainSeconds = 0;
    double cpuSeconds = 0;
    SIZE_T peakWorkingSet = 0;
    bool ok = false;
};

double Seconds(DWORD fromTick, DWORD toTick)
{
    return (toTick - fromTick) / 1000.0;
}

std::string ReadSmallFile(const std::string &path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                              0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return "";
    char bytes[4096];
    DWORD read = 0;
    std::string text;
    if (ReadFile(file, bytes, sizeof bytes, &read, NULL))
        text.assign(bytes, read);
    CloseHandle(file);
    return text;
}

// Under Wine GetProcessTimes of another process reports no CPU time, and
// PuTTY is a Linux program: both are found in the kernel's process table by
// the start of their command line and a word in it.
std::string ProcessDirectory(const std::string &commandStart, const std::string &word)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA("Z:\\proc\\*", &found);
    if (search == INVALID_HANDLE_VALUE)
        return "";
    std::string match;
    do {
        std::string directory = std::string("Z:\\proc\\") + found.cFileName;
        std::string commandLine = ReadSmallFile(directory + "\\cmdline");
        for (char &c : commandLine)
            c = c ? c : ' ';
        if (found.cFileName[0] >= '1' && found.cFileName[0] <= '9' && commandLine.rfind(commandStart, 0) == 0 &&
            commandLine.find(word) != std::string::npos)
            match = directory;
    } while (match.empty() && FindNextFileA(search, &found));
    FindClose(search);
    return match;
}

// User and system time from the kernel's stat line, in its 100 Hz ticks.
double CpuSeconds(const std::string &processDirectory)
{
    std::string stat = ReadSmallFile(processDirectory + "\\stat");
    size_t at = stat.rfind(')');
    std::vector<std::string> fields;
    for (size_t start = at == std::string::npos ? stat.size() : at + 2; start < stat.size();) {
        size_t end = stat.find(' ', start);
        fields.push_back(stat.substr(start, end - start));
        start = end == std::string::npos ? stat.size() : end + 1;
    }
    // After the name: state is field 3; utime and stime are fields 14 and 15.
    if (fields.size() < 13)
        return -1;
    return (std::strtod(fields[11].c_str(), NULL) + std::strtod(fields[12].c_str(), NULL)) / 100.0;
}

// The host simulator streams for SECONDS on COMport, paced at the line rate,
// and keeps a record of every byte. A reader that falls behind makes its
// writes wait, so the time it reports from its first byte to its last is the
// rate the reader sustained.
void StreamFromHost(int port, bool shortLines, double seconds, const std::string &record, Run *run)
{
    char options[128];
    snprintf(options, sizeof options, " --port %d --baud %ld --stream %g%s --record ", port, run->baudRate, seconds,
             shortLines ? " --short-lines" : "");
    std::string output;
    RunToEnd(std::string("\"").append(BuildFile("host_sim.exe")).append("\"").append(options).append("\"").append(record).append("\""),
             &output);
    size_t at = output.find("sent ");
    char *rest = NULL;
    run->bytesSent = at == std::string::npos ? 0 : std::strtoull(output.c_str() + at + 5, &rest, 10);
    run->seconds = rest ? std::strtod(rest + std::strlen(" bytes in "), NULL) : 0;
}

// Follows a size until it has been still for kQuietMs; returns the seconds
// from the call to its last change.
template <typename Size>
double SecondsUntilStill(Size size)
{
    DWORD start = GetTickCount();
    DWORD lastChange = start;
    unsigned long long last = size();
    while (GetTickCount() - lastChange < kQuietMs && GetTickCount() - start < kDrainLimitMs) {
        Sleep(50);
        unsigned long long now = size();
        if (now != last) {
            last = now;
            lastChange = GetTickCount();
        }
    }
    return Seconds(start, lastChange);
}

// How many sent bytes the terminal's log holds in the pane's form (line
// feeds dropped, each carriage return a CR LF), counted from the start.
long long BytesLostByTerminal(const std::string &sent, const std::string &logged)
{
    size_t at = 0;
    long long covered = 0;
    bool matching = true;
    for (char byte : sent) {
        std::string form = byte == '\n' ? "" : byte == '\r' ? "\r\n" : std::string(1, byte);
        matching = matching && logged.compare(at, form.size(), form) == 0;
        at += form.size();
        covered += matching;
    }
    return at == logged.size() ? static_cast<long long>(sent.size()) - covered : -1;
}

// The baud-rate dialog offers nothing above 9600 and pre-selects 1200 for any
// other stored rate; with no button checked OK keeps the stored rate.
bool StartConnected(TerminalProcess &terminal)
{
    return terminal.Start() && terminal.AnswerDialog(kPortDialogTitle, 0, true) &&
           terminal.AnswerDialog(kBaudRateDialogTitle, -1, true) && !AnswerMessageBox(terminal.ProcessId()).empty();
}

std::string TerminalSettings(long baudRate)
{
    return "[VRK]\r\nDdeServiceName=\r\nCommPort=" + std::to_string(kTerminalPort - 1) +
           "\r\nBaudRate=" + std::to_string(baudRate) + "\r\nWriteLog=1\r\n";
}

SIZE_T PeakWorkingSet(HANDLE process)
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    return GetProcessMemoryInfo(process, &counters, sizeof counters) ? counters.PeakWorkingSetSize : 0;
}

SIZE_T WorkingSet(HANDLE process)
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    return GetProcessMemoryInfo(process, &counters, sizeof counters) ? counters.WorkingSetSize : 0;
}

Run RunTerminal(const char *stream, long baudRate, double seconds)
{
    Run run = {"VRK.exe", stream, baudRate};
    TerminalProcess terminal(TerminalSettings(baudRate).c_str());
    if (!StartConnected(terminal))
        return run;
    HWND pane = GetDlgItem(terminal.MainWindow(), kOutputPaneId);
    std::string record = terminal.PathOf("host_record.bin");
    std::string process = ProcessDirectory(terminal.PathOf("VRK.exe"), "");
    double cpuBefore = CpuSeconds(process);
    StreamFromHost(kTerminalPort + 20, std::strcmp(stream, "short") == 0, seconds, record, &run);
    run.drainSeconds = SecondsUntilStill([&] { return SendMessageW(pane, WM_GETTEXTLENGTH, 0, 0); });
    run.cpuSeconds = CpuSeconds(process) - cpuBefore;
    run.peakWorkingSet = PeakWorkingSet(terminal.Process());
    if (!terminal.Close())
        return run;
    std::string sent = ReadWholeFile(record);
    run.bytesLost = BytesLostByTerminal(sent, ConcatenatedLogs(terminal.Directory()));
    run.ok = run.bytesSent == sent.size() && run.bytesLost == 0;
    return run;
}

// PuTTY logs what it receives after a header line of its own.
Run RunPutty(const char *stream, long baudRate, double seconds)
{
    Run run = {"PuTTY", stream, baudRate};
    const char *bench = getenv("VRK_BENCH");
    if (!bench)
        return run;
    std::string log = std::string(bench) + "/putty-" + stream + "-" + std::to_string(baudRate) + ".log";
    std::string windowsLog = "Z:" + log;
    DeleteFileA(windowsLog.c_str());
    std::string command = "/usr/bin/putty -serial " + std::string(bench) + "/COM" + std::to_string(kPuttyPort) +
                          " -sercfg " + std::to_string(baudRate) + ",8,n,1,N -sessionlog " + log;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION putty = {};
    if (!CreateProcessA(NULL, &command[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &putty))
        return run;
    CloseHandle(putty.hProcess);
    CloseHandle(putty.hThread);
    std::string process;
    for (int i = 0; i < 100 && process.empty(); ++i, Sleep(100))
        process = ProcessDirectory("/usr/bin/putty", log);
    Sleep(2000);
    const auto logSize = [&] { return ReadWholeFile(windowsLog).size(); };
    double cpuBefore = CpuSeconds(process);
    std::string record = std::string(bench) + "/putty-record.bin";
    StreamFromHost(kPuttyPort + 20, std::strcmp(stream, "short") == 0, seconds, "Z:" + record, &run);
    run.drainSeconds = SecondsUntilStill(logSize);
    run.cpuSeconds = CpuSeconds(process) - cpuBefore;
    std::string logged = ReadWholeFile(windowsLog);
    logged.erase(0, logged.find("\r\n") + 2);
    std::string sent = ReadWholeFile("Z:" + record);
    run.bytesLost = logged == sent ? 0 : static_cast<long long>(sent.size()) - static_cast<long long>(logged.size());
    run.ok = run.bytesSent == sent.size() && run.bytesLost == 0;
    RunToEnd("/bin/kill " + process.substr(process.rfind('\\') + 1));
    return run;
}

double IdleCorePercent()
{
    TerminalProcess terminal(TerminalSettings(115200).c_str());
    if (!StartConnected(terminal))
        return -1;
    std::string process = ProcessDirectory(terminal.PathOf("VRK.exe"), "");
    Sleep(2000);
    double before = CpuSeconds(process);
    Sleep(kIdleMs);
    double percent = (CpuSeconds(process) - before) * 100.0 * 1000.0 / kIdleMs;
    terminal.Close();
    return percent;
}

double CpuPerMb(const Run &run)
{
    return run.bytesSent ? run.cpuSeconds / (static_cast<double>(run.bytesSent) / 1e6) : 0;
}

void PrintRun(const Run &run, const Run *peer)
{
    double cpuPerMb = CpuPerMb(run);
    double peerCpuPerMb = peer ? CpuPerMb(*peer) : 0;
    printf("| %-5s | %6ld | %-7s | %9llu | %5lld | %6.1f%% | %4.1f s | %6.2f |", run.stream, run.baudRate, run.program,
           run.bytesSent, run.bytesLost, 100.0 * static_cast<double>(run.bytesSent) / run.seconds / (run.baudRate / 10.0),
           run.drainSeconds, cpuPerMb);
    if (peer && peerCpuPerMb > 0)
        printf(" %5.2f |", cpuPerMb / peerCpuPerMb);
    else
        printf("       |");
    if (run.peakWorkingSet)
        printf(" %5.1f MB |\n", static_cast<double>(run.peakWorkingSet) / 1048576.0);
    else
        printf("          |\n");
}

int Compare(double seconds)
{
    printf("| lines | baud   | program | bytes     | lost  | of line rate | drained after | CPU s/MB | VRK/PuTTY | peak WS  |\n");
    printf("|---|---|---|---|---|---|---|---|---|---|\n");
    bool ok = true;
    for (const char *stream : {"long", "short"}) {
        for (long baudRate : {9600L, 115200L}) {
            Run terminal = RunTerminal(stream, baudRate, seconds);
            Run putty = RunPutty(stream, baudRate, seconds);
            PrintRun(terminal, &putty);
            PrintRun(putty, NULL);
            fflush(stdout);
            ok = ok && terminal.ok && putty.ok;
        }
    }
    printf("\nidle, connected at 115200, nothing arriving: VRK.exe %.3f%% of a core\n", IdleCorePercent());
    printf("%s\n", ok ? "every byte arrived, once, in order" : "BYTES WERE LOST OR CHANGED");
    return ok ? 0 : 1;
}

// Short lines at 115200 for the given minutes; the working set is read after
// the first minute and at the end.
int Soak(int minutes)
{
    TerminalProcess terminal(TerminalSettings(115200).c_str());
    if (!StartConnected(terminal))
        return 1;
    std::string record = terminal.PathOf("host_record.bin");
    HANDLE process = terminal.Process();
    SIZE_T afterFirstMinute = 0;
    std::thread firstMinute([&] {
        Sleep(60000);
        afterFirstMinute = WorkingSet(process);
    });
    Run run = {"VRK.exe", "short", 115200};
    StreamFromHost(kTerminalPort + 20, true, minutes * 60.0, record, &run);
    SecondsUntilStill([&] { return SendMessageW(GetDlgItem(terminal.MainWindow(), kOutputPaneId), WM_GETTEXTLENGTH, 0, 0); });
    SIZE_T atEnd = WorkingSet(process);
    firstMinute.join();
    terminal.Close();
    long long lost = BytesLostByTerminal(ReadWholeFile(record), ConcatenatedLogs(terminal.Directory()));
    printf("soak: %d min, short lines at 115200: %llu bytes sent, %lld lost; working set %.1f MB after the first"
           " minute, %.1f MB at the end (%+.2f MB)\n",
           minutes, run.bytesSent, lost, static_cast<double>(afterFirstMinute) / 1048576.0, static_cast<double>(atEnd) / 1048576.0,
           (static_cast<double>(atEnd) - static_cast<double>(afterFirstMinute)) / 1048576.0);
    return lost == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--soak") == 0 && std::atoi(argv[2]) > 0)
        return Soak(std::atoi(argv[2]));
    double seconds = argc > 1 ? std::atof(argv[1]) : 30;
    if (seconds <= 0 || argc > 2) {
        fprintf(stderr, "usage: receive_benchmark [SECONDS] | --soak MINUTES\n");
        return 2;
    }
    return Compare(seconds);
}
