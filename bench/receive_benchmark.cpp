// Streams generated host text into the real terminal over a bench cable, at
// 9600 and at 115200 baud, and reports what arrived, how fast, and at what
// cost. Not a test: run it with bench/run-receive-benchmark.sh.
//
//   receive_benchmark [SECONDS]   (each rate streams for SECONDS, default 30)
#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/driving/far_end.h"
#include "tools/driving/files.h"
#include "tools/driving/terminal_process.h"
#include "tools/driving/window_search.h"

namespace {

const int kPort = 1;
// The pane is taken as drained once its text has not changed for this long,
// five poll ticks.
const DWORD kQuietMs = 1500;
const DWORD kDrainLimitMs = 120000;

struct RunFigures {
    long baudRate = 0;
    int seconds = 0;
    unsigned long long bytesSent = 0;
    size_t expectedPaneBytes = 0;
    size_t paneAndLogBytes = 0;
    unsigned long long bytesLost = 0;
    double streamSeconds = 0;
    double drainSeconds = 0;
    double cpuSeconds = 0;
    SIZE_T peakWorkingSet = 0;
    bool ok = false;
};

double Seconds(DWORD fromTick, DWORD toTick)
{
    return (toTick - fromTick) / 1000.0;
}

// The baud-rate dialog offers nothing above 9600 and pre-selects 1200 for any
// other stored rate; with no button checked OK keeps the stored rate.
bool ConnectKeepingStoredRate(const TerminalProcess &terminal)
{
    return terminal.AnswerDialog(kPortDialogTitle, 0, true) &&
           terminal.AnswerDialog(kBaudRateDialogTitle, -1, true) &&
           !AnswerMessageBox(terminal.ProcessId()).empty();
}

double FileTimeSeconds(const FILETIME &time)
{
    unsigned long long ticks = (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return static_cast<double>(ticks) / 1e7;
}

// Under Wine, GetProcessTimes of another process reports no CPU time at all;
// the kernel keeps the real figure for the same process, found through the
// Windows command line it was started with.
std::string ReadSmallFile(const std::string &path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
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

std::string HostProcessDirectory(const std::string &commandLineStart)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA("Z:\\proc\\*", &found);
    if (search == INVALID_HANDLE_VALUE)
        return "";
    std::string match;
    do {
        std::string directory = std::string("Z:\\proc\\") + found.cFileName;
        if (found.cFileName[0] >= '1' && found.cFileName[0] <= '9' &&
            ReadSmallFile(directory + "\\cmdline").compare(0, commandLineStart.size(), commandLineStart) == 0)
            match = directory;
    } while (match.empty() && FindNextFileA(search, &found));
    FindClose(search);
    return match;
}

// User and system time from the kernel's stat line, in its 100 Hz ticks.
double KernelCpuSeconds(const std::string &processDirectory)
{
    std::string stat = ReadSmallFile(processDirectory + "\\stat");
    size_t at = stat.rfind(')');
    if (at == std::string::npos)
        return -1;
    std::vector<std::string> fields;
    size_t start = at + 2;
    while (start < stat.size()) {
        size_t end = stat.find(' ', start);
        fields.push_back(stat.substr(start, end - start));
        start = end == std::string::npos ? stat.size() : end + 1;
    }
    // After the name: state is field 3; utime and stime are fields 14 and 15.
    if (fields.size() < 13)
        return -1;
    return (std::strtod(fields[11].c_str(), NULL) + std::strtod(fields[12].c_str(), NULL)) / 100.0;
}

double CpuSeconds(HANDLE process, const std::string &hostDirectory)
{
    if (!hostDirectory.empty())
        return KernelCpuSeconds(hostDirectory);
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
        return 0;
    return FileTimeSeconds(kernel) + FileTimeSeconds(user);
}

SIZE_T PeakWorkingSet(HANDLE process)
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    return GetProcessMemoryInfo(process, &counters, sizeof counters) ? counters.PeakWorkingSetSize : 0;
}

// The host simulator with its standard output on a pipe, for its byte count.
struct HostRun {
    PROCESS_INFORMATION process = {};
    HANDLE output = NULL;
};

bool StartHost(long baudRate, int seconds, const std::string &record, HostRun *run)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, NULL, TRUE};
    HANDLE writeEnd = NULL;
    if (!CreatePipe(&run->output, &writeEnd, &inherit, 0))
        return false;
    SetHandleInformation(run->output, HANDLE_FLAG_INHERIT, 0);
    std::string exe = BuildFile("host_sim.exe");
    std::string commandLine = "\"" + exe + "\" --port " + std::to_string(FarPortOf(kPort)) + " --baud " +
                              std::to_string(baudRate) + " --stream " + std::to_string(seconds) +
                              " --record \"" + record + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    BOOL started = CreateProcessA(exe.c_str(), &commandLine[0], NULL, NULL, TRUE, 0, NULL, NULL, &startup,
                                  &run->process);
    CloseHandle(writeEnd);
    return started != FALSE;
}

unsigned long long FinishHost(HostRun *run)
{
    WaitForSingleObject(run->process.hProcess, INFINITE);
    std::string output;
    char chunk[256];
    DWORD read = 0;
    while (ReadFile(run->output, chunk, sizeof chunk, &read, NULL) && read > 0)
        output.append(chunk, read);
    CloseHandle(run->output);
    CloseHandle(run->process.hProcess);
    CloseHandle(run->process.hThread);
    size_t at = output.find("sent ");
    return at == std::string::npos ? 0 : std::strtoull(output.c_str() + at + 5, NULL, 10);
}

LRESULT PaneLength(HWND pane)
{
    return SendMessageA(pane, WM_GETTEXTLENGTH, 0, 0);
}

// Follows the pane until it has been still for kQuietMs; returns the tick of
// its last change.
DWORD WaitUntilDrained(HWND pane)
{
    DWORD start = GetTickCount();
    DWORD lastChange = start;
    LRESULT length = PaneLength(pane);
    while (GetTickCount() - lastChange < kQuietMs && GetTickCount() - start < kDrainLimitMs) {
        Sleep(50);
        LRESULT now = PaneLength(pane);
        if (now != length) {
            length = now;
            lastChange = GetTickCount();
        }
    }
    return lastChange;
}

// How many sent bytes the log holds in the pane's form (line feeds dropped,
// each carriage return a CR LF), counted from the start; the pane form's
// total size comes back in *expectedSize.
unsigned long long SentBytesLogged(const std::string &sent, const std::string &logged, size_t *expectedSize)
{
    size_t at = 0;
    bool matching = true;
    unsigned long long covered = 0;
    for (char byte : sent) {
        std::string form = byte == '\n' ? "" : byte == '\r' ? "\r\n" : std::string(1, byte);
        matching = matching && logged.compare(at, form.size(), form) == 0;
        at += form.size();
        if (matching)
            ++covered;
    }
    *expectedSize = at;
    return covered;
}

RunFigures RunAt(long baudRate, int seconds)
{
    RunFigures figures;
    figures.baudRate = baudRate;
    figures.seconds = seconds;
    std::string ini = "[VRK]\r\nDdeServiceName=\r\nCommPort=" + std::to_string(kPort - 1) +
                      "\r\nBaudRate=" + std::to_string(baudRate) + "\r\nWriteLog=1\r\n";
    TerminalProcess terminal(ini.c_str());
    if (!terminal.Start() || !ConnectKeepingStoredRate(terminal)) {
        fprintf(stderr, "the terminal did not connect at %ld baud\n", baudRate);
        return figures;
    }
    HWND pane = GetDlgItem(terminal.MainWindow(), kOutputPaneId);
    std::string record = terminal.PathOf("host_record.bin");
    std::string hostDirectory = HostProcessDirectory(terminal.PathOf("VRK.exe"));
    double cpuBefore = CpuSeconds(terminal.Process(), hostDirectory);
    DWORD start = GetTickCount();
    HostRun host;
    if (!StartHost(baudRate, seconds, record, &host)) {
        fprintf(stderr, "the host simulator did not start\n");
        return figures;
    }
    figures.bytesSent = FinishHost(&host);
    DWORD hostDone = GetTickCount();
    DWORD lastChange = WaitUntilDrained(pane);
    figures.cpuSeconds = CpuSeconds(terminal.Process(), hostDirectory) - cpuBefore;
    figures.peakWorkingSet = PeakWorkingSet(terminal.Process());
    figures.streamSeconds = Seconds(start, lastChange > hostDone ? lastChange : hostDone);
    figures.drainSeconds = lastChange > hostDone ? Seconds(hostDone, lastChange) : 0;
    if (!terminal.Close()) {
        fprintf(stderr, "the terminal did not close\n");
        return figures;
    }
    std::string sent = ReadWholeFile(record);
    std::string logged = ConcatenatedLogs(terminal.Directory());
    unsigned long long covered = SentBytesLogged(sent, logged, &figures.expectedPaneBytes);
    figures.paneAndLogBytes = logged.size();
    figures.bytesLost = sent.size() - covered;
    figures.ok = figures.bytesSent == sent.size() && figures.bytesLost == 0 &&
                 logged.size() == figures.expectedPaneBytes;
    return figures;
}

void Report(const RunFigures &f)
{
    double lineRate = f.baudRate / 10.0;
    double sent = static_cast<double>(f.bytesSent);
    double megabytes = sent / 1e6;
    printf("%ld baud, %d s stream (line rate %.0f bytes/s)\n", f.baudRate, f.seconds, lineRate);
    printf("  bytes sent by the host        %llu\n", f.bytesSent);
    printf("  shown plus logged             %zu bytes in the pane's form (expected %zu)\n",
           f.paneAndLogBytes, f.expectedPaneBytes);
    printf("  bytes lost                    %llu\n", f.bytesLost);
    printf("  sustained throughput          %.0f bytes/s, %.1f%% of the line rate"
           " (through the pane %.1f s after the first byte; drained %.1f s after the host stopped)\n",
           sent / f.streamSeconds, 100.0 * sent / f.streamSeconds / lineRate,
           f.streamSeconds, f.drainSeconds);
    printf("  CPU (whole VRK.exe process)   %.2f s, %.2f s per MB received\n", f.cpuSeconds,
           megabytes > 0 ? f.cpuSeconds / megabytes : 0.0);
    printf("  peak working set              %.1f MB\n", static_cast<double>(f.peakWorkingSet) / 1048576.0);
    printf("  %s\n\n", f.ok ? "every byte arrived, once, in order" : "BYTES WERE LOST OR CHANGED");
}

}  // namespace

int main(int argc, char **argv)
{
    int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
    if (seconds <= 0) {
        fprintf(stderr, "usage: receive_benchmark [SECONDS]\n");
        return 2;
    }
    bool allOk = true;
    for (long baudRate : {9600L, 115200L}) {
        RunFigures figures = RunAt(baudRate, seconds);
        Report(figures);
        allOk = allOk && figures.ok;
    }
    return allOk ? 0 : 1;
}
