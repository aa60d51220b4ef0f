// Streams generated host text into the real terminal over a bench cable, the
// same stream into Debian's PuTTY on a second cable and into the bare reader
// (the floor: a program that only reads the port), with the host writing in
// slices of 100 ms and of 16 ms, and reports side by side what arrived, how
// fast, and at what cost; then the idle cost of the terminal and of a bare
// window. Not a test: run it with bench/run-receive-benchmark.sh.
//
//   receive_benchmark [SECONDS] [--long-lines] [--baud B] [--terminal-only]
//       each run SECONDS (default 20), short lines at 115200 unless told
//   receive_benchmark --soak MINUTES   the terminal alone, short lines at 115200
#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "bench/bare_reader.h"
#include "tools/driving/files.h"
#include "tools/driving/programs.h"
#include "tools/driving/terminal_process.h"
#include "tools/driving/window_search.h"

namespace {

const int kTerminalPort = 1;   // the terminal and the bare reader on COM1, their host on COM21
const int kPuttyPort = 2;      // PuTTY on the Linux end of COM2, its host on COM22
const unsigned long kWritePeriodsMs[] = {100, 16};
// A reader is taken as drained once what it holds has not grown for this
// long, five poll ticks. Idle is measured over a minute for each program.
const DWORD kQuietMs = 1500;
const DWORD kDrainLimitMs = 120000;
const DWORD kIdleMs = 60000;
// A thread that ends takes its run time with it; the kernel's tick total
// keeps it, within its rounding of a tick either side.
const double kTickRounding = 0.02;

struct Stream {
    bool shortLines = true;
    long baudRate = 115200;
    unsigned long writePeriodMs = 0;
    double seconds = 20;
};

// A process's CPU time in seconds, two ways: the kernel's total of user and
// system time counts every thread, ended ones too, but in whole 10 ms ticks;
// the sum of the live threads' run times is exact to the nanosecond. The
// bare reader spends a few hundredths of a second in a run, too few for ticks.
struct CpuTime {
    double ticks = 0;
    double threads = 0;
};

// What a run cost: the reader's own CPU time, and that of the Wine server and
// the display server, which do part of a Windows program's work (and part of
// any X program's drawing) in processes of their own.
struct Cost {
    CpuTime reader;
    CpuTime servers;
};

struct Run {
    const char *program;
    unsigned long long bytesSent = 0;
    long long bytesLost = -1;
    double seconds = 0;
    double drainSeconds = 0;
    double cpuSeconds = 0;
    double serverCpuSeconds = 0;
    SIZE_T peakWorkingSet = 0;
    bool ok = false;
};

// The Wine server of this bench and its display server, found once.
std::vector<std::string> g_servers;

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

// The numbered entries of a directory of the kernel's process table: the
// processes, or a process's threads.
std::vector<std::string> ListNames(const std::string &directory)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((directory + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (found.cFileName[0] >= '0' && found.cFileName[0] <= '9')
            names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

// The environment is a list of entries, each ended by a NUL.
bool HasEnvironmentEntry(const std::string &processDirectory, const std::string &entry)
{
    std::string environment(1, '\0');
    environment.append(ReadWholeFile(processDirectory + "\\environ"));
    std::string wanted(1, '\0');
    wanted.append(entry).push_back('\0');
    return environment.find(wanted) != std::string::npos;
}

// Under Wine GetProcessTimes of another process reports no CPU time, and
// PuTTY is a Linux program: both are found in the kernel's process table by
// the start of their command line, a word in it and, when given, an entry of
// their environment.
std::string ProcessDirectory(const std::string &commandStart, const std::string &word,
                             const std::string &environmentEntry = "")
{
    for (const std::string &name : ListNames("Z:\\proc")) {
        std::string directory = "Z:\\proc\\" + name;
        std::string commandLine = ReadSmallFile(directory + "\\cmdline");
        for (char &c : commandLine)
            c = c ? c : ' ';
        if (commandLine.rfind(commandStart, 0) != 0 || commandLine.find(word) == std::string::npos)
            continue;
        if (environmentEntry.empty() || HasEnvironmentEntry(directory, environmentEntry))
            return directory;
    }
    return "";
}

// The fields of a stat line after the process name, the state first.
std::vector<std::string> StatFields(const std::string &stat)
{
    size_t at = stat.rfind(')');
    std::vector<std::string> fields;
    for (size_t start = at == std::string::npos ? stat.size() : at + 2; start < stat.size();) {
        size_t end = stat.find(' ', start);
        fields.push_back(stat.substr(start, end - start));
        start = end == std::string::npos ? stat.size() : end + 1;
    }
    return fields;
}

CpuTime ReadCpuTime(const std::string &processDirectory)
{
    CpuTime time;
    // utime and stime are the stat line's fields 14 and 15, in 100 Hz ticks.
    std::vector<std::string> fields = StatFields(ReadSmallFile(processDirectory + "\\stat"));
    if (fields.size() >= 13)
        time.ticks = (std::strtod(fields[11].c_str(), NULL) + std::strtod(fields[12].c_str(), NULL)) / 100.0;
    for (const std::string &thread : ListNames(processDirectory + "\\task"))
        time.threads += std::strtod(ReadSmallFile(processDirectory + "\\task\\" + thread + "\\schedstat").c_str(),
                                    NULL) / 1e9;
    return time;
}

double SecondsSpent(const CpuTime &before, const CpuTime &after)
{
    double threads = after.threads - before.threads;
    double ticks = after.ticks - before.ticks;
    return ticks > threads + kTickRounding ? ticks : threads;
}

void FindServers()
{
    const char *prefix = getenv("WINEPREFIX");
    std::string wineServer = ProcessDirectory("/usr/lib/wine/wineserver", "", std::string("WINEPREFIX=") + (prefix ? prefix : ""));
    if (!wineServer.empty())
        g_servers.push_back(wineServer);
    const char *bench = getenv("VRK_BENCH");
    std::string display = bench ? ReadSmallFile(std::string("Z:") + bench + "/display.pid") : "";
    if (std::atoi(display.c_str()) > 0)
        g_servers.push_back("Z:\\proc\\" + std::to_string(std::atoi(display.c_str())));
}

Cost ReadCost(const std::string &reader)
{
    Cost cost;
    cost.reader = ReadCpuTime(reader);
    for (const std::string &server : g_servers) {
        CpuTime time = ReadCpuTime(server);
        cost.servers.ticks += time.ticks;
        cost.servers.threads += time.threads;
    }
    return cost;
}

void NoteCost(const Cost &before, const Cost &after, Run *run)
{
    run->cpuSeconds = SecondsSpent(before.reader, after.reader);
    run->serverCpuSeconds = SecondsSpent(before.servers, after.servers);
}

// The host simulator streams on COMport, paced at the line rate and writing
// once a write period, and keeps a record of every byte. A reader that falls
// behind makes its writes wait, so the time it reports from its first byte
// to its last is the rate the reader sustained.
void StreamFromHost(int port, const Stream &stream, const std::string &record, Run *run)
{
    char options[160];
    snprintf(options, sizeof options, " --port %d --baud %ld --write-period %lu --stream %g%s --record ", port,
             stream.baudRate, stream.writePeriodMs, stream.seconds, stream.shortLines ? " --short-lines" : "");
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

Run RunTerminal(const Stream &stream)
{
    Run run = {"VRK.exe"};
    TerminalProcess terminal(TerminalSettings(stream.baudRate).c_str());
    if (!StartConnected(terminal))
        return run;
    HWND pane = GetDlgItem(terminal.MainWindow(), kOutputPaneId);
    std::string record = terminal.PathOf("host_record.bin");
    std::string process = ProcessDirectory(terminal.PathOf("VRK.exe"), "");
    Cost before = ReadCost(process);
    StreamFromHost(kTerminalPort + 20, stream, record, &run);
    run.drainSeconds = SecondsUntilStill([&] { return SendMessageW(pane, WM_GETTEXTLENGTH, 0, 0); });
    NoteCost(before, ReadCost(process), &run);
    run.peakWorkingSet = PeakWorkingSet(terminal.Process());
    if (!terminal.Close())
        return run;
    std::string sent = ReadWholeFile(record);
    run.bytesLost = BytesLostByTerminal(sent, ConcatenatedLogs(terminal.Directory()));
    run.ok = run.bytesSent == sent.size() && run.bytesLost == 0;
    return run;
}

// PuTTY runs as an operator would run it for this job: serial mode at the
// line's speed, keeping a session log (as the terminal keeps its daily log),
// which it writes after a header line of its own.
Run RunPutty(const Stream &stream)
{
    Run run = {"PuTTY"};
    const char *bench = getenv("VRK_BENCH");
    if (!bench)
        return run;
    std::string log = std::string(bench) + "/putty-" + std::to_string(stream.writePeriodMs) + "ms.log";
    std::string windowsLog = "Z:" + log;
    DeleteFileA(windowsLog.c_str());
    std::string command = "/usr/bin/putty -serial " + std::string(bench) + "/COM" + std::to_string(kPuttyPort) +
                          " -sercfg " + std::to_string(stream.baudRate) + ",8,n,1,N -sessionlog " + log;
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
    Cost before = ReadCost(process);
    std::string record = std::string(bench) + "/putty-record.bin";
    StreamFromHost(kPuttyPort + 20, stream, "Z:" + record, &run);
    run.drainSeconds = SecondsUntilStill(logSize);
    NoteCost(before, ReadCost(process), &run);
    std::string logged = ReadWholeFile(windowsLog);
    logged.erase(0, logged.find("\r\n") + 2);
    std::string sent = ReadWholeFile("Z:" + record);
    run.bytesLost = logged == sent ? 0 : static_cast<long long>(sent.size()) - static_cast<long long>(logged.size());
    run.ok = run.bytesSent == sent.size() && run.bytesLost == 0;
    RunToEnd("/bin/kill " + process.substr(process.rfind('\\') + 1));
    return run;
}

// The bare reader on the terminal's port, with or without its window, for
// the object's life; it is ended, not closed, when done. Its process
// directory stays empty when it did not start.
class BareReader {
public:
    BareReader(long baudRate, bool window) : process_(), shared_(NULL), count_(NULL)
    {
        std::string exe = BuildFile("bare_reader.exe");
        std::string command = "\"" + exe + "\" " + std::to_string(kTerminalPort) + " " + std::to_string(baudRate) +
                              (window ? " --window" : "");
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        if (!CreateProcessA(NULL, &command[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process_))
            return;
        // The count is shared once the port is open.
        for (int i = 0; i < 100 && !shared_ && WaitForSingleObject(process_.hProcess, 100) == WAIT_TIMEOUT; ++i)
            shared_ = OpenFileMappingA(FILE_MAP_READ, FALSE, kReaderCountName);
        count_ = shared_ ? static_cast<const volatile LONG64 *>(MapViewOfFile(shared_, FILE_MAP_READ, 0, 0, 0)) : NULL;
        if (count_)
            directory_ = ProcessDirectory(exe, "");
    }
    ~BareReader()
    {
        if (count_)
            UnmapViewOfFile(const_cast<LONG64 *>(count_));
        if (shared_)
            CloseHandle(shared_);
        if (!process_.hProcess)
            return;
        TerminateProcess(process_.hProcess, 0);
        WaitForSingleObject(process_.hProcess, 5000);
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
    }
    BareReader(const BareReader &) = delete;
    BareReader &operator=(const BareReader &) = delete;

    const std::string &Directory() const { return directory_; }
    unsigned long long BytesRead() const { return count_ ? static_cast<unsigned long long>(*count_) : 0; }

private:
    PROCESS_INFORMATION process_;
    HANDLE shared_;
    const volatile LONG64 *count_;
    std::string directory_;
};

Run RunReader(const Stream &stream)
{
    Run run = {"reader"};
    BareReader reader(stream.baudRate, false);
    if (reader.Directory().empty())
        return run;
    Cost before = ReadCost(reader.Directory());
    std::string record = MakeTemporaryDirectory("reader") + "\\host_record.bin";
    StreamFromHost(kTerminalPort + 20, stream, record, &run);
    run.drainSeconds = SecondsUntilStill([&] { return reader.BytesRead(); });
    NoteCost(before, ReadCost(reader.Directory()), &run);
    run.bytesLost = static_cast<long long>(run.bytesSent) - static_cast<long long>(reader.BytesRead());
    run.ok = run.bytesSent == ReadWholeFile(record).size() && run.bytesLost == 0;
    RemoveDirectoryTree(record.substr(0, record.rfind('\\')));
    return run;
}

struct IdleCost {
    double percent = -1;
    double serverPercent = -1;
};

IdleCost MeasureIdle(const std::string &process)
{
    IdleCost idle;
    if (process.empty())
        return idle;
    Sleep(2000);
    Cost before = ReadCost(process);
    Sleep(kIdleMs);
    Run run = {""};
    NoteCost(before, ReadCost(process), &run);
    idle.percent = run.cpuSeconds * 100.0 * 1000.0 / kIdleMs;
    idle.serverPercent = run.serverCpuSeconds * 100.0 * 1000.0 / kIdleMs;
    return idle;
}

IdleCost TerminalIdle()
{
    TerminalProcess terminal(TerminalSettings(115200).c_str());
    if (!StartConnected(terminal))
        return IdleCost();
    IdleCost idle = MeasureIdle(ProcessDirectory(terminal.PathOf("VRK.exe"), ""));
    terminal.Close();
    return idle;
}

IdleCost BareWindowIdle()
{
    BareReader reader(115200, true);
    return MeasureIdle(reader.Directory());
}

double CpuPerMb(const Run &run, double cpuSeconds)
{
    return run.bytesSent ? cpuSeconds / (static_cast<double>(run.bytesSent) / 1e6) : 0;
}

// A ratio of CPU per MB, blank without a peer to compare with.
void PrintRatio(const Run &run, const Run *peer)
{
    double peerCpuPerMb = peer ? CpuPerMb(*peer, peer->cpuSeconds) : 0;
    if (peerCpuPerMb > 0)
        printf(" %6.2f |", CpuPerMb(run, run.cpuSeconds) / peerCpuPerMb);
    else
        printf("        |");
}

// The host reports the time from its first write to its last; the last
// write's bytes take a write period of line time more.
double LineSeconds(const Stream &stream, const Run &run)
{
    return run.seconds + stream.writePeriodMs / 1000.0;
}

void PrintRun(const Stream &stream, const Run &run, const Run *putty, const Run *floor)
{
    printf("| %-5s | %4lu ms | %-7s | %9llu | %5lld | %6.1f%% | %4.1f s | %6.2f | %6.2f |", stream.shortLines ? "short" : "long",
           stream.writePeriodMs, run.program, run.bytesSent, run.bytesLost,
           100.0 * static_cast<double>(run.bytesSent) / LineSeconds(stream, run) / (stream.baudRate / 10.0), run.drainSeconds,
           CpuPerMb(run, run.cpuSeconds), CpuPerMb(run, run.serverCpuSeconds));
    PrintRatio(run, putty);
    PrintRatio(run, floor);
    if (run.peakWorkingSet)
        printf(" %5.1f MB |\n", static_cast<double>(run.peakWorkingSet) / 1048576.0);
    else
        printf("          |\n");
}

struct Options {
    Stream stream;
    bool terminalOnly = false;  // the terminal's rows alone, to try a change quickly
};

void PrintIdle()
{
    IdleCost terminal = TerminalIdle();
    IdleCost window = BareWindowIdle();
    printf("\nidle, connected at 115200, nothing arriving, %% of a core (the servers' share beside it):\n"
           "VRK.exe %.3f%% (%.3f%%); a bare window with a 300 ms timer and a blinking caret %.3f%% (%.3f%%)\n",
           terminal.percent, terminal.serverPercent, window.percent, window.serverPercent);
}

int Compare(Options options)
{
    Stream &stream = options.stream;
    FindServers();
    printf("%s lines at %ld baud, %g s a run; PuTTY keeps a session log, VRK.exe its daily log\n\n",
           stream.shortLines ? "short" : "long", stream.baudRate, stream.seconds);
    printf("| lines | host writes every | program | bytes | lost | of line rate | drained after | CPU s/MB"
           " | servers s/MB | ÷ PuTTY | ÷ reader | peak WS |\n");
    printf("|---|---|---|---|---|---|---|---|---|---|---|---|\n");
    bool ok = true;
    for (unsigned long period : kWritePeriodsMs) {
        stream.writePeriodMs = period;
        Run terminal = RunTerminal(stream);
        Run putty = options.terminalOnly ? Run{"PuTTY"} : RunPutty(stream);
        Run reader = options.terminalOnly ? Run{"reader"} : RunReader(stream);
        PrintRun(stream, terminal, &putty, &reader);
        ok = ok && terminal.ok;
        if (!options.terminalOnly) {
            PrintRun(stream, putty, NULL, &reader);
            PrintRun(stream, reader, NULL, NULL);
            ok = ok && putty.ok && reader.ok;
        }
        fflush(stdout);
    }
    if (!options.terminalOnly)
        PrintIdle();
    printf("%s\n", ok ? "every byte arrived, once, in order" : "BYTES WERE LOST OR CHANGED");
    return ok ? 0 : 1;
}

// Short lines at 115200, written every 16 ms, for the given minutes; the
// working set is read after the first minute and at the end.
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
    Run run = {"VRK.exe"};
    Stream stream;
    stream.writePeriodMs = kWritePeriodsMs[1];
    stream.seconds = minutes * 60.0;
    StreamFromHost(kTerminalPort + 20, stream, record, &run);
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

// SECONDS, --long-lines, --baud B and --terminal-only in any order; false
// for anything else.
bool ParseOptions(int argc, char **argv, Options &options)
{
    Stream &stream = options.stream;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--long-lines") == 0)
            stream.shortLines = false;
        else if (std::strcmp(argv[i], "--terminal-only") == 0)
            options.terminalOnly = true;
        else if (std::strcmp(argv[i], "--baud") == 0 && i + 1 < argc)
            stream.baudRate = std::atol(argv[++i]);
        else
            stream.seconds = std::atof(argv[i]);
        if (stream.seconds <= 0 || stream.baudRate < 300)
            return false;
    }
    return true;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--soak") == 0 && std::atoi(argv[2]) > 0)
        return Soak(std::atoi(argv[2]));
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        fprintf(stderr, "usage: receive_benchmark [SECONDS] [--long-lines] [--baud B] [--terminal-only]"
                        " | --soak MINUTES\n");
        return 2;
    }
    return Compare(options);
}
