#include "tools/host_session.h"

#include <algorithm>
#include <string_view>

#include "tools/host_files.h"
#include "tools/host_port.h"

static const std::size_t kMaxScriptBytes = 1 << 20;
static const std::size_t kMaxSendFileBytes = 64u << 20;
static const std::size_t kMaxUnmatchedLines = 256;
static const DWORD kReadChunk = 1024;
static const double kStallLimitMs = 10000;
static const double kLongestNap = 50;

static double NowMs(const HostSession &session)
{
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(session.clockFrequency.QuadPart);
}

static bool ShouldStop(const HostSession &session)
{
    return session.stopRequested->load() || (session.endMs > 0 && NowMs(session) >= session.endMs);
}

static bool Fail(HostSession &session, const std::string &what)
{
    session.failure = what;
    return false;
}

static bool FailCall(HostSession &session, const char *call, DWORD code)
{
    return Fail(session, std::string(call) + " failed (error " + std::to_string(code) + ")");
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
// fewer bytes; the rest is sent again until the far end stays silent too long.
static bool WriteFully(HostSession &session, std::string_view bytes)
{
    double lastProgressMs = NowMs(session);
    while (!bytes.empty()) {
        if (ShouldStop(session))
            return false;
        DWORD written = 0;
        if (!WriteFile(session.port, bytes.data(), static_cast<DWORD>(bytes.size()), &written, NULL))
            return FailCall(session, "WriteFile", GetLastError());
        if (!RecordBytes(session, bytes.data(), written))
            return false;
        session.bytesSent += written;
        bytes.remove_prefix(written);
        const double now = NowMs(session);
        if (written > 0)
            lastProgressMs = now;
        else if (now - lastProgressMs > kStallLimitMs)
            return Fail(session, "the far end took no data for 10 seconds (WriteFile timed out)");
    }
    return true;
}

static bool SplitDue(const HostSession &session)
{
    const std::vector<unsigned long long> &offsets = session.options->splitOffsets;
    return session.nextSplit < offsets.size() && offsets[session.nextSplit] == session.bytesSent;
}

// How much of what is left may go in the next write: up to the next split
// offset and, when paced, one slice of line time.
static std::size_t NextWriteSize(const HostSession &session, std::size_t left)
{
    const std::vector<unsigned long long> &offsets = session.options->splitOffsets;
    if (session.nextSplit < offsets.size())
        left = static_cast<std::size_t>(std::min<unsigned long long>(left, offsets[session.nextSplit] - session.bytesSent));
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
            if (!Pause(session, session.options->splitPauseMs))
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

static void KeepUnmatchedLine(HostSession &session, const std::string &line)
{
    if (session.unmatchedLines.size() == kMaxUnmatchedLines)
        session.unmatchedLines.erase(session.unmatchedLines.begin());
    session.unmatchedLines.push_back(line);
}

// Reads what the terminal sent (waiting briefly for it) and answers each
// complete line when answering is on.
static bool ServiceInput(HostSession &session)
{
    char buffer[kReadChunk];
    DWORD count = 0;
    if (!ReadHostPort(session.port, buffer, sizeof buffer, &count))
        return FailCall(session, "ReadFile", GetLastError());
    std::vector<std::string> lines;
    FeedReceivedBytes(session.assembler, buffer, count, lines);
    const ReplyStyle style{session.options->echoLines, session.options->prompt};
    for (const std::string &line : lines) {
        KeepUnmatchedLine(session, line);
        if (session.answering && !SendBytes(session, BuildReply(line, style)))
            return false;
    }
    return true;
}

// Reads and answers for the given time.
static bool ServiceInputFor(HostSession &session, double seconds)
{
    const double until = NowMs(session) + seconds * 1000.0;
    while (NowMs(session) < until) {
        if (ShouldStop(session) || !ServiceInput(session))
            return false;
    }
    return true;
}

// Consumes the unmatched lines up to and including the first that holds text.
static bool TakeMatchingLine(HostSession &session, const std::string &text)
{
    std::vector<std::string> &lines = session.unmatchedLines;
    const auto match = std::find_if(lines.begin(), lines.end(),
                                    [&text](const std::string &line) { return line.find(text) != std::string::npos; });
    if (match == lines.end())
        return false;
    lines.erase(lines.begin(), match + 1);
    return true;
}

static bool RunExpect(HostSession &session, const HostAction &action)
{
    const double until = NowMs(session) + action.seconds * 1000.0;
    while (!TakeMatchingLine(session, action.text)) {
        if (NowMs(session) >= until)
            return Fail(session, "expected text not received within " + std::to_string(action.seconds) + " s");
        if (ShouldStop(session) || !ServiceInput(session))
            return false;
    }
    return true;
}

static bool RunStream(HostSession &session, double seconds)
{
    const double until = NowMs(session) + seconds * 1000.0;
    std::string line;
    while (NowMs(session) < until) {
        line.clear();
        AppendStreamLine(session.generator, line);
        if (!SendBytes(session, line))
            return false;
    }
    return true;
}

static bool RunSendFile(HostSession &session, const std::string &path)
{
    std::string bytes;
    std::string error;
    if (!ReadWholeFile(path, kMaxSendFileBytes, bytes, error))
        return Fail(session, error);
    return SendBytes(session, bytes);
}

static bool RunActions(HostSession &session, const std::vector<HostAction> &actions);

static bool RunScript(HostSession &session, const std::string &path)
{
    std::string utf8;
    std::string script;
    std::string error;
    std::vector<HostAction> actions;
    if (!ReadWholeFile(path, kMaxScriptBytes, utf8, error) || !Utf8ToShiftJis(utf8, script, error) ||
        !ParseHostScript(script, actions, error))
        return Fail(session, path + ": " + error);
    return RunActions(session, actions);
}

static bool RunAction(HostSession &session, const HostAction &action)
{
    switch (action.kind) {
    case HostActionKind::Send: return SendBytes(session, action.text);
    case HostActionKind::SendFile: return RunSendFile(session, action.text);
    case HostActionKind::Stream: return RunStream(session, action.seconds);
    case HostActionKind::Wait: return ServiceInputFor(session, action.seconds);
    case HostActionKind::Expect: return RunExpect(session, action);
    case HostActionKind::Answer: session.answering = action.on; return true;
    case HostActionKind::Script: return RunScript(session, action.text);
    }
    return true;
}

static bool RunActions(HostSession &session, const std::vector<HostAction> &actions)
{
    for (const HostAction &action : actions) {
        if (!RunAction(session, action))
            return false;
    }
    return true;
}

void StartHostSession(HostSession &session, const HostSimOptions &options, HANDLE port, HANDLE record,
                      const std::atomic<bool> &stopRequested)
{
    session = HostSession{};
    session.options = &options;
    session.stopRequested = &stopRequested;
    session.port = port;
    session.record = record;
    QueryPerformanceFrequency(&session.clockFrequency);
    if (options.exitAfterSeconds > 0)
        session.endMs = NowMs(session) + options.exitAfterSeconds * 1000.0;
    session.pacer.bytesPerSecond = options.bytesPerSecond;
    session.generator.markedLines = options.markedLines;
    session.answering = options.answer;
}

bool RunHostSession(HostSession &session)
{
    const HostSimOptions &options = *session.options;
    const bool answerOnly = options.actions.empty();
    bool running = (!answerOnly || SendBytes(session, options.prompt)) && RunActions(session, options.actions);
    // A script's "answer on" lasts for its steps only; the run goes on
    // answering after them when the command line asked for it.
    while (running && options.answer && session.answering && !ShouldStop(session))
        running = ServiceInput(session);
    return session.failure.empty();
}
