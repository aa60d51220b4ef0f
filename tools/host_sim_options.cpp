#include "tools/host_sim_options.h"

#include <string_view>

#include "tools/text_escapes.h"

static const std::size_t kMaxSplitOffsets = 4096;

static const char kUsage[] =
    "usage: host_sim --port N [options] [steps]\n"
    "Plays the ULACS host on a serial port (8N1, RTS/CTS, DTR on).\n"
    "\n"
    "  --port N             serial port number; opens \\\\.\\COMN (required)\n"
    "  --baud B             line speed in bits per second (default 1200)\n"
    "  --rate BYTES         pace all output at BYTES bytes per second; 0 sends as fast as\n"
    "                       the line takes it (default: the line rate, baud / 10)\n"
    "\n"
    "Steps, run in the order given:\n"
    "  --send TEXT          send TEXT; escapes \\r \\n \\t \\\\ \\xHH; other text is sent in the\n"
    "                       system code page (Shift-JIS on Japanese systems)\n"
    "  --send-file FILE     send the bytes of FILE unchanged\n"
    "  --stream SECONDS     send generated numbered ASCII and Shift-JIS lines (CR LF ends,\n"
    "                       some lone CR ends) for SECONDS\n"
    "  --wait SECONDS       pause; received lines are answered meanwhile if answering is on\n"
    "  --script FILE        run the steps of FILE, a UTF-8 text with one step a line:\n"
    "                         send TEXT | send-file PATH | stream SECONDS | wait SECONDS |\n"
    "                         expect SECONDS TEXT | answer on|off   (# starts a comment)\n"
    "                       expect waits until a received line contains TEXT and fails the\n"
    "                       run if none does in time; Japanese text is sent as Shift-JIS\n"
    "\n"
    "Answering (each line ended by CR gets a short Shift-JIS reply and the prompt;\n"
    "commands HELP, STATUS, ECHO text, UNDO text send a line marked with 0x1D):\n"
    "  --answer             answer during the steps and go on after them (without\n"
    "                       steps, the run sends the prompt and answers until it ends)\n"
    "  --no-echo            do not repeat the received line before the reply\n"
    "  --prompt TEXT        prompt after each reply, escapes allowed (default \"ULACS> \")\n"
    "\n"
    "Shaping the output:\n"
    "  --marked-lines       the stream also has lines marked with 0x1D\n"
    "  --split OFFSETS      comma-separated byte offsets, counted from the first byte of\n"
    "                       the run, at which writes are split with a pause between\n"
    "  --split-pause MS     length of that pause (default 600; the terminal polls every 300)\n"
    "\n"
    "  --record FILE        write a copy of every byte sent to FILE\n"
    "  --exit-after SECONDS end the run after SECONDS, even in the middle of a step\n"
    "  --help               show this text\n"
    "\n"
    "With steps and without --answer the run ends after the last step. At the end it\n"
    "prints \"sent N bytes\". Exit status: 0 done, 1 port, file or expect failure,\n"
    "2 bad arguments.\n";

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

static bool ParseSplitOffsets(std::string_view text, std::vector<unsigned long long> &offsets)
{
    offsets.clear();
    while (true) {
        const std::size_t comma = text.find(',');
        unsigned long long offset = 0;
        if (!ParseUnsigned(text.substr(0, comma), ~0ULL, offset) || offset == 0)
            return false;
        if (!offsets.empty() && offset <= offsets.back())
            return false;
        if (offsets.size() == kMaxSplitOffsets)
            return false;
        offsets.push_back(offset);
        if (comma == std::string_view::npos)
            return true;
        text.remove_prefix(comma + 1);
    }
}

struct ArgCursor {
    int argc;
    const char *const *argv;
    int next;
};

static bool TakeValue(ArgCursor &cursor, std::string_view option, std::string_view &value, std::string &error)
{
    if (cursor.next >= cursor.argc) {
        error = std::string(option) + " needs a value";
        return false;
    }
    value = cursor.argv[cursor.next++];
    return true;
}

static bool Invalid(std::string_view option, std::string_view value, std::string &error)
{
    error = "bad value for " + std::string(option) + ": '" + std::string(value) + "'";
    return false;
}

static bool IsStepOption(std::string_view option)
{
    return option == "--send" || option == "--send-file" || option == "--stream" || option == "--wait";
}

static bool ApplyStepOption(std::string_view option, std::string_view value, HostSimOptions &options,
                            std::string &error)
{
    HostAction action;
    if (!MakeHostAction(option.substr(2), value, action, error)) {
        error = std::string(option) + ": " + error;
        return false;
    }
    options.actions.push_back(std::move(action));
    return true;
}

// Settings that take one value; false when the value does not fit.
static bool ApplySetting(std::string_view option, std::string_view value, HostSimOptions &options)
{
    if (option == "--port")
        return ParseUnsignedLong(value, 1, 255, options.port);
    if (option == "--baud")
        return ParseUnsignedLong(value, 50, 4000000, options.baudRate);
    if (option == "--rate")
        return ParseUnsignedLong(value, 0, 1000000, options.bytesPerSecond);
    if (option == "--split")
        return ParseSplitOffsets(value, options.splitOffsets);
    if (option == "--split-pause")
        return ParseUnsignedLong(value, 0, 60000, options.splitPauseMs);
    if (option == "--exit-after")
        return ParseSeconds(value, options.exitAfterSeconds) && options.exitAfterSeconds > 0;
    if (option == "--record") {
        options.recordPath = value;
        return !value.empty();
    }
    if (option == "--script") {
        options.actions.push_back(HostAction{HostActionKind::Script, std::string(value), 0, false});
        return !value.empty();
    }
    return false;
}

static bool ApplyValueOption(std::string_view option, std::string_view value, HostSimOptions &options,
                             std::string &error)
{
    if (IsStepOption(option))
        return ApplyStepOption(option, value, options, error);
    if (option == "--prompt") {
        options.prompt.clear();
        if (DecodeEscapes(value, options.prompt, error))
            return true;
        error = "--prompt: " + error;
        return false;
    }
    return ApplySetting(option, value, options) || Invalid(option, value, error);
}

static bool TakesValue(std::string_view option)
{
    static const char *const kValueOptions[] = {"--port",   "--baud",   "--rate",        "--send",
                                                "--send-file", "--stream", "--wait",      "--script",
                                                "--prompt", "--split",  "--split-pause", "--record",
                                                "--exit-after"};
    for (const char *name : kValueOptions) {
        if (option == name)
            return true;
    }
    return false;
}

static bool ApplyFlag(std::string_view option, HostSimOptions &options, std::string &error)
{
    if (option == "--help")
        options.help = true;
    else if (option == "--answer")
        options.answer = true;
    else if (option == "--no-echo")
        options.echoLines = false;
    else if (option == "--marked-lines")
        options.markedLines = true;
    else {
        error = "unknown option '" + std::string(option) + "'";
        return false;
    }
    return true;
}

bool ParseHostSimArgs(int argc, const char *const *argv, HostSimOptions &options, std::string &error)
{
    options = HostSimOptions{};
    bool rateGiven = false;
    ArgCursor cursor{argc, argv, 1};
    while (cursor.next < argc) {
        const std::string_view option = argv[cursor.next++];
        std::string_view value;
        if (!TakesValue(option)) {
            if (!ApplyFlag(option, options, error))
                return false;
        } else if (!TakeValue(cursor, option, value, error) || !ApplyValueOption(option, value, options, error)) {
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
    options.answer = options.answer || options.actions.empty();
    return true;
}
