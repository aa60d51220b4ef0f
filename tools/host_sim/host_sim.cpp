// A stand-in for the ULACS host on a serial port, so that the terminal can be
// tried and tested without the host: see HostSimUsage for what it does.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <string>

#include "tools/host_sim/host_port.h"
#include "tools/host_sim/host_session.h"
#include "tools/host_sim/host_sim_options.h"
#include "tools/host_sim/unique_handle.h"

static const int kExitDone = 0;
static const int kExitFailed = 1;
static const int kExitBadArguments = 2;

// The console calls the handler on a thread of its own, so the flag it sets
// is the one thing shared with the run.
static std::atomic<bool> g_stopRequested{false};

static BOOL WINAPI OnConsoleControl(DWORD controlType)
{
    if (controlType != CTRL_C_EVENT && controlType != CTRL_BREAK_EVENT && controlType != CTRL_CLOSE_EVENT)
        return FALSE;
    g_stopRequested.store(true);
    return TRUE;
}

static HANDLE OpenRecordFile(const std::string &path)
{
    if (path.empty())
        return INVALID_HANDLE_VALUE;
    return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                       NULL);
}

static int RunOnPort(const HostSimOptions &options)
{
    const char *failedStep = NULL;
    DWORD failedCode = 0;
    UniqueHandle port(OpenHostPort(options.port, options.baudRate, &failedStep, &failedCode));
    if (!port.valid()) {
        std::fprintf(stderr, "host_sim: cannot open COM%lu: %s failed (error %lu)\n", options.port, failedStep,
                     failedCode);
        return kExitFailed;
    }
    UniqueHandle record(OpenRecordFile(options.recordPath));
    if (!options.recordPath.empty() && !record.valid()) {
        std::fprintf(stderr, "host_sim: cannot create %s: CreateFile failed (error %lu)\n",
                     options.recordPath.c_str(), GetLastError());
        return kExitFailed;
    }
    const HostRunOutcome outcome = RunHostSession(options, port.get(), record.get(), g_stopRequested);
    if (!outcome.failure.empty())
        std::fprintf(stderr, "host_sim: %s\n", outcome.failure.c_str());
    std::printf("sent %llu bytes in %.3f s\n", outcome.bytesSent, outcome.sendingSeconds);
    return outcome.failure.empty() ? kExitDone : kExitFailed;
}

int main(int argc, char **argv)
{
    HostSimOptions options;
    std::string error;
    if (!ParseHostSimArgs(argc, argv, options, error)) {
        std::fprintf(stderr, "host_sim: %s\n(host_sim --help lists the options)\n", error.c_str());
        return kExitBadArguments;
    }
    if (options.help) {
        std::fputs(HostSimUsage(), stdout);
        return kExitDone;
    }
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    return RunOnPort(options);
}
