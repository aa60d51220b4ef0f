#include "tools/host_sim/host_session.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "tools/host_sim/host_reply.h"
#include "tools/host_sim/line_pacer.h"
#include "tools/host_sim/stream_generator.h"
#include "tools/host_sim/unique_handle.h"

static const long long kMaxSendFileBytes = 64ll << 20;
static const DWORD kReadChunk = 1024;
static const double kLongestNap = 50;

struct HostSession {
    const HostSimOptions &options;
    const std::atomic<bool> &stopRequested;
    HANDLE port;
    HANDLE record;
    LARGE_INTEGER clockFrequency = {};
    double endMs = 0;  // 0: no time limit
    std::size_t nextSplit = 0;
    LinePacer pacer = {};
    StreamGenerator generator = {};
    LineAssembler assembler = {};
    HostRunOutcome outcome = {};
    double firstWriteMs = -1;
};

static double NowMs(const HostSession &session)
{
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(session.clockFrequency.QuadPart);
}

static bool ShouldStop(const HostSession &session)
{
    return session.stopRequested.load() || (session.endMs > 0 && NowMs(session) >= session.endMs);
}

static bool Fail(HostSession &session, const std::string &what)
{
    session.outcome.failure = what;
    return false;
}

static bool FailCall(HostSession &session, const std::string &call, DWORD code)
{
    return Fail(session, call + " failed (error " + std::to_string(code) + ")");
}

// Sleeps in short naps so that Ctrl+C and the time limit are noticed soon.
// False when the run is to stop.
static bool Pause(const HostSession &session, double ms)
{
    const double until = NowMs(session) + ms;
    while (!ShouldStop(session)) {
        const double left = until - NowMs(session);
        if (left <= 0)
            return true;
        Sleep(static_cast<DWORD>(std::min(left, kLongestNap)) + 1);
    }
    return false;
}

static bool RecordBytes(HostSession &session, const char *bytes, DWORD count)
{
    if (session.record == INVALID_HANDLE_VALUE || count == 0)
        return true;
    DWORD written = 0;
    if (!WriteFile(session.record, bytes, count, &written, NULL))
        return FailCall(session, "WriteFile (record)", GetLastError());
    return written == count || Fail(session, "the record file is full");
}

// A write that times out while the far end withholds CTS still succeeds with
// fewer bytes; the rest is sent again, as a host waits for its terminal.
static bool WriteFully(HostSession &session, std::string_view bytes)
{
    while (!bytes.empty()) {
        if (ShouldStop(session))
            return false;
        DWORD written = 0;
        if (!WriteFile(session.port, bytes.data(), static_cast<DWORD>(bytes.size()), &written, NULL))
            return FailCall(session, "WriteFile", GetLastError());
        if (!RecordBytes(session, bytes.data(), written))
            return false;
        const double now = NowMs(session);
        session.firstWriteMs = session.firstWriteMs < 0 ? now : session.firstWriteMs;
        session.outcome.sendingSeconds = (now - session.firstWriteMs) / 1000.0;
        session.outcome.bytesSent += written;
        bytes.remove_prefix(written);
    }
    return true;
}

static bool SplitDue(const HostSession &session)
{
    const std::vector<unsigned long long> &offsets = session.options.splitOffsets;
    return session.nextSplit < offsets.size() && offsets[session.nextSplit] == session.outcome.bytesSent;
}

// How much of what is left may go in the next write: up to the next split
// offset and, when paced, one slice of line time.
static std::size_t NextWriteSize(const HostSession &session, std::size_t left)
{
    const std::vector<unsigned long long> &offsets = session.options.splitOffsets;
    if (session.nextSplit < offsets.size()) {
        const unsigned long long toSplit = offsets[session.nextSplit] - session.outcome.bytesSent;
        left = static_cast<std::size_t>(std::min<unsigned long long>(left, toSplit));
    }
    if (session.pacer.bytesPerSecond > 0)
        left = std::min(left, PacedSliceBytes(session.pacer));
    return left;
}

// Every byte the run sends goes through here, so splitting, pacing and the
// record apply to replies, steps and the stream alike.
static bool SendBytes(HostSession &session, std::string_view bytes)
{
    while (!bytes.empty()) {
        if (SplitDue(session)) {
            ++session.nextSplit;
            if (!Pause(session, session.options.splitPauseMs))
                return false;
            continue;
        }
        const double wait = PacedWaitMs(session.pacer, NowMs(session));
        if (wait > 0 && !Pause(session, wait))
            return false;
        const std::size_t size = NextWriteSize(session, bytes.size());
        const double now = NowMs(session);
        if (!WriteFully(session, bytes.substr(0, size)))
            return false;
        NotePacedBytes(session.pacer, now, size);
        bytes.remove_prefix(size);
    }
    return true;
}

// Reads what the terminal sent (waiting briefly for it) and answers each
// complete line when answering is on.
static bool ServiceInput(HostSession &session)
{
    char buffer[kReadChunk];
    DWORD count = 0;
    if (!ReadFile(session.port, buffer, sizeof buffer, &count, NULL))
        return FailCall(session, "ReadFile", GetLastError());
    std::vector<std::string> lines;
    FeedReceivedBytes(session.assembler, buffer, count, lines);
    for (const std::string &line : lines) {
        if (session.options.answer && !SendBytes(session, BuildReply(line, session.options.echoLines)))
            return false;
    }
    return true;
}

static bool ServiceInputFor(HostSession &session, double seconds)
{
    const double until = NowMs(session) + seconds * 1000.0;
    while (NowMs(session) < until) {
        if (ShouldStop(session) || !ServiceInput(session))
            return false;
    }
    return true;
}

// With a write period the lines are gathered and go out a whole slice at a
// time, cut wherever the slice ends; without one each line is a write.
static bool RunStream(HostSession &session, double seconds)
{
    const double until = NowMs(session) + seconds * 1000.0;
    const std::size_t writeSize = session.options.writePeriodMs ? PacedSliceBytes(session.pacer) : 1;
    std::string lines;
    while (NowMs(session) < until) {
        while (lines.size() < writeSize)
            AppendStreamLine(session.generator, lines);
        const std::size_t whole = lines.size() - lines.size() % writeSize;
        if (!SendBytes(session, std::string_view(lines).substr(0, whole)))
            return false;
        lines.erase(0, whole);
    }
    return SendBytes(session, lines);
}

static bool RunSendFile(HostSession &session, const std::string &path)
{
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL));
    if (!file.valid())
        return FailCall(session, path + ": CreateFile", GetLastError());
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file.get(), &size))
        return FailCall(session, path + ": GetFileSizeEx", GetLastError());
    if (size.QuadPart > kMaxSendFileBytes)
        return Fail(session, path + ": larger than " + std::to_string(kMaxSendFileBytes) + " bytes");
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!bytes.empty() && !ReadFile(file.get(), &bytes[0], static_cast<DWORD>(bytes.size()), &read, NULL))
        return FailCall(session, path + ": ReadFile", GetLastError());
    bytes.resize(read);
    return SendBytes(session, bytes);
}

static bool RunStep(HostSession &session, const HostStep &step)
{
    switch (step.kind) {
    case HostStepKind::Send: return SendBytes(session, step.text);
    case HostStepKind::SendFile: return RunSendFile(session, step.text);
    case HostStepKind::Stream: return RunStream(session, step.seconds);
    case HostStepKind::Wait: return ServiceInputFor(session, step.seconds);
    }
    return true;
}

HostRunOutcome RunHostSession(const HostSimOptions &options, HANDLE port, HANDLE record,
                              const std::atomic<bool> &stopRequested)
{
    HostSession session{options, stopRequested, port, record};
    QueryPerformanceFrequency(&session.clockFrequency);
    if (options.exitAfterSeconds > 0)
        session.endMs = NowMs(session) + options.exitAfterSeconds * 1000.0;
    session.pacer.bytesPerSecond = options.bytesPerSecond;
    if (options.writePeriodMs)
        session.pacer.sliceMs = options.writePeriodMs;
    session.generator.markedLines = options.markedLines;
    session.generator.shortLines = options.shortLines;
    bool running = !options.steps.empty() || SendBytes(session, kHostPrompt);
    for (std::size_t i = 0; running && i < options.steps.size(); ++i)
        running = RunStep(session, options.steps[i]);
    while (running && options.answer && !ShouldStop(session))
        running = ServiceInput(session);
    return session.outcome;
}
