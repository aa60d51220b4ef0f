#include "tools/host_sim/host_sim_options.h"

#include <cmath>
#include <cstdlib>
#include <string_view>

#include "tools/host_sim/text_escapes.h"

static const std::size_t kMaxSplitOffsets = 4096;
static const double kMaxSeconds = 86400.0 * 365;

static const char kUsage[] =
    "usage: host_sim --port N [options] [steps]\n"
    "Plays the ULACS host on a serial port (8N1, RTS/CTS, DTR on).\n"
    "\n"
    "  --port N             serial port number; opens \\\\.\\COMN (required)\n"
    "  --baud B             line speed in bits per second (default 1200)\n"
    "  --rate BYTES         pace all output at BYTES bytes per second; 0 sends as fast as\n"
    "                       the line takes it (default: the line rate, baud / 10)\n"
    "  --write-period MS    hand the output over in writes of MS milliseconds of line\n"
    "                       time, one every MS, as a host or an adapter that gathers\n"
    "                       its output does; the pace stays the same (default: each\n"
    "                       stream line in a write of its own, other output in writes\n"
    "                       of 20 ms)\n"
    "\n"
    "Steps, run in the order given:\n"
    "  --send TEXT          send TEXT; escapes \\r \\n \\t \\\\ \\xHH; other text is sent in the\n"
    "                       system code page (Shift-JIS on Japanese systems)\n"
    "  --send-file FILE     send the bytes of FILE unchanged\n"
    "  --stream SECONDS     send generated numbered ASCII and Shift-JIS lines (CR LF ends,\n"
    "                       some lone CR ends) for SECONDS\n"
    "  --wait SECONDS       pause; received lines are answered meanwhile with --answer\n"
    "\n"
    "Answering: each line ended by CR gets a short Shift-JIS reply and the prompt\n"
    "\"ULACS> \" (commands HELP, STATUS, ECHO text; UNDO text sends text marked with 0x1D)\n"
    "  --answer             answer during the steps and go on after them (without\n"
    "                       steps, the run sends the prompt and answers until it ends)\n"
    "  --no-echo            do not repeat the received line before the reply\n"
    "\n"
    "Shaping the output:\n"
    "  --marked-lines       the stream also has lines marked with 0x1D\n"
    "  --short-lines        the stream's lines are about ten bytes, ended by CR LF, a\n"
    "                       lone CR or a lone LF\n"
    "  --split OFFSETS      comma-separated byte offsets, counted from the first byte of\n"
    "                       the run, at which writes are split with a pause between\n"
    "  --split-pause MS     length of that pause (default 600; the terminal polls every 300)\n"
    "\n"
    "  --record FILE        write a copy of every byte sent to FILE\n"
    "  --exit-after SECONDS end the run after SECONDS, even in the middle of a step\n"
    "  --help               show this text\n"
    "\n"
    "With steps and without --answer the run ends after the last step. At the end it\n"
    "prints \"sent N bytes in S s\" (S from the first byte\n"
    "written to the last). Exit status: 0 done, 1 port or file failure, 2 bad arguments.\n";

const char *HostSimUsage()
{
    return kUsage;
}

// Decimal digits only, no sign, and no more than max.
static bool ParseUnsigned(std::string_view text, unsigned long long max, unsigned long long &value)
{
    if (text.empty())
        return false;
    unsigned long long result = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        const auto digit = static_cast<unsigned long long>(c - '0');
        if (digit > max || result > (max - digit) / 10)
            return false;
        result = result * 10 + digit;
    }
    value = result;
    return true;
}

static bool ParseUnsignedLong(std::string_view text, unsigned long min, unsigned long max, unsigned long &value)
{
    unsigned long long parsed = 0;
    if (!ParseUnsigned(text, max, parsed) || parsed < min)
        return false;
    value = static_cast<unsigned long>(parsed);
    return true;
}

// A decimal number of seconds such as 5 or 0.25, above 0 and at most a year.
static bool ParseSeconds(std::string_view text, double &seconds)
{
    if (text.empty() || text.size() > 32 || text.find_first_not_of("0123456789.") != std::string_view::npos)
        return false;
    const std::string copy(text);
    char *end = nullptr;
    const double value = std::strtod(copy.c_str(), &end);
    if (end != copy.c_str() + copy.size() || !std::isfinite(value) || value <= 0 || value > kMaxSeconds)
        return false;
    seconds = value;
    return true;
}

static bool ParseSplitOffsets(std::string_view text, std::vector<unsigned long long> &offsets)
{
    offsets.clear();
    while (true) {
        const std::size_t comma = text.find(',');
        unsigned long long offset = 0;
        if (!ParseUnsigned(text.substr(0, comma), ~0ULL, offset) || offset == 0)
            return false;
        if ((!offsets.empty() && offset <= offsets.back()) || offsets.size() == kMaxSplitOffsets)
            return false;
        offsets.push_back(offset);
        if (comma == std::string_view::npos)
            return true;
        text.remove_prefix(comma + 1);
    }
}

static bool AddStep(std::string_view option, std::string_view value, HostSimOptions &options, std::string &error)
{
    HostStep step;
    if (option == "--send") {
        if (!DecodeEscapes(value, step.text, error))
            return false;
    } else if (option == "--send-file") {
        step.kind = HostStepKind::SendFile;
        step.text = value;
        if (value.empty())
            return false;
    } else {
        step.kind = option == "--stream" ? HostStepKind::Stream : HostStepKind::Wait;
        if (!ParseSeconds(value, step.seconds))
            return false;
    }
    options.steps.push_back(std::move(step));
    return true;
}

static bool TakesValue(std::string_view option)
{
    static const char *const kValueOptions[] = {"--port",   "--baud",  "--rate",        "--write-period",
                                                "--send",   "--send-file", "--stream", "--wait",
                                                "--split",  "--split-pause", "--record", "--exit-after"};
    for (const char *name : kValueOptions) {
        if (option == name)
            return true;
    }
    return false;
}

// False when the value does not fit; error gets a reason when there is more
// to say than that.
static bool ApplyValue(std::string_view option, std::string_view value, HostSimOptions &options, std::string &error)
{
    if (option == "--port")
        return ParseUnsignedLong(value, 1, 255, options.port);
    if (option == "--baud")
        return ParseUnsignedLong(value, 50, 4000000, options.baudRate);
    if (option == "--rate")
        return ParseUnsignedLong(value, 0, 1000000, options.bytesPerSecond);
    if (option == "--write-period")
        return ParseUnsignedLong(value, 1, 60000, options.writePeriodMs);
    if (option == "--split")
        return ParseSplitOffsets(value, options.splitOffsets);
    if (option == "--split-pause")
        return ParseUnsignedLong(value, 0, 60000, options.splitPauseMs);
    if (option == "--exit-after")
        return ParseSeconds(value, options.exitAfterSeconds);
    if (option == "--record") {
        options.recordPath = value;
        return !value.empty();
    }
    return AddStep(option, value, options, error);
}

static bool ApplyFlag(std::string_view option, HostSimOptions &options)
{
    if (option == "--help")
        options.help = true;
    else if (option == "--answer")
        options.answer = true;
    else if (option == "--no-echo")
        options.echoLines = false;
    else if (option == "--marked-lines")
        options.markedLines = true;
    else if (option == "--short-lines")
        options.shortLines = true;
    else
        return false;
    return true;
}

bool ParseHostSimArgs(int argc, const char *const *argv, HostSimOptions &options, std::string &error)
{
    options = HostSimOptions{};
    error.clear();
    bool rateGiven = false;
    for (int next = 1; next < argc; ++next) {
        const std::string_view option = argv[next];
        if (ApplyFlag(option, options))
            continue;
        if (!TakesValue(option)) {
            error = "unknown option '" + std::string(option) + "'";
            return false;
        }
        if (next + 1 == argc) {
            error = std::string(option) + " needs a value";
            return false;
        }
        const std::string_view value = argv[++next];
        if (!ApplyValue(option, value, options, error)) {
            error = std::string(option) + ": " + (error.empty() ? "bad value '" + std::string(value) + "'" : error);
            return false;
        }
        rateGiven = rateGiven || option == "--rate";
    }
    if (options.help)
        return true;
    if (options.port == 0) {
        error = "--port is required";
        return false;
    }
    if (!rateGiven)
        options.bytesPerSecond = options.baudRate / 10;
    options.answer = options.answer || options.steps.empty();
    return true;
}
