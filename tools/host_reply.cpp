#include "tools/host_reply.h"

#include <string_view>

#include "tools/shift_jis.h"

static const char kLineEnd[] = "\r\n";
static const char kUndoMarker = '\x1d';

// Shift-JIS (code page 932) texts; byte escapes keep them independent of
// the encoding the source is compiled in.
// "コマンド: HELP STATUS ECHO 文字列 UNDO 文字列"
static const char kHelpText[] =
    "\x83\x52\x83\x7d\x83\x93\x83\x68: HELP STATUS ECHO \x95\xb6\x8e\x9a\x97\xf1 UNDO \x95\xb6\x8e\x9a\x97\xf1";
// "ULACSは正常に稼働しています。"
static const char kStatusText[] =
    "ULACS\x82\xcd\x90\xb3\x8f\xed\x82\xc9\x89\xd2\x93\xad\x82\xb5\x82\xc4\x82\xa2\x82\xdc\x82\xb7\x81\x42";
// "UNDO行を送りました。"
static const char kUndoSentText[] = "UNDO\x8d\x73\x82\xf0\x91\x97\x82\xe8\x82\xdc\x82\xb5\x82\xbd\x81\x42";
// "「" and "」を受け付けました。"
static const char kAcceptedOpen[] = "\x81\x75";
static const char kAcceptedClose[] = "\x81\x76\x82\xf0\x8e\xf3\x82\xaf\x95\x74\x82\xaf\x82\xdc\x82\xb5\x82\xbd\x81\x42";

static void AddToLine(LineAssembler &assembler, char byte)
{
    if (assembler.pending.size() < kMaxHostLineBytes)
        assembler.pending += byte;
}

void FeedReceivedBytes(LineAssembler &assembler, const char *bytes, std::size_t count,
                       std::vector<std::string> &lines)
{
    for (std::size_t i = 0; i < count; ++i) {
        const char byte = bytes[i];
        if (byte == '\r') {
            std::string &line = assembler.pending;
            line.resize(CharBoundaryAtOrBefore(line, line.size()));
            lines.push_back(std::move(line));
            line.clear();
        } else if (byte != '\n' && byte != '\0') {
            AddToLine(assembler, byte);
        }
    }
}

static bool IsAsciiSpace(char c)
{
    return c == ' ' || c == '\t';
}

static char AsciiUpper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

static bool EqualsIgnoringAsciiCase(std::string_view word, std::string_view command)
{
    if (word.size() != command.size())
        return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (AsciiUpper(word[i]) != command[i])
            return false;
    }
    return true;
}

static std::string_view TrimSpaces(std::string_view text)
{
    while (!text.empty() && IsAsciiSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsAsciiSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

struct CommandLine {
    std::string_view word;
    std::string_view argument;
};

// Splits at the first space; no Shift-JIS byte is a space, so the split never
// falls inside a character.
static CommandLine SplitCommand(std::string_view line)
{
    const std::string_view trimmed = TrimSpaces(line);
    std::size_t end = 0;
    while (end < trimmed.size() && !IsAsciiSpace(trimmed[end]))
        ++end;
    return {trimmed.substr(0, end), TrimSpaces(trimmed.substr(end))};
}

static std::string ReplyBody(std::string_view line)
{
    const CommandLine command = SplitCommand(line);
    if (command.word.empty())
        return "";
    if (EqualsIgnoringAsciiCase(command.word, "HELP") || command.word == "?")
        return std::string(kHelpText) + kLineEnd;
    if (EqualsIgnoringAsciiCase(command.word, "STATUS"))
        return std::string(kStatusText) + kLineEnd;
    if (EqualsIgnoringAsciiCase(command.word, "ECHO"))
        return std::string(command.argument) + kLineEnd;
    if (EqualsIgnoringAsciiCase(command.word, "UNDO"))
        return kUndoMarker + std::string(command.argument) + kLineEnd + kUndoSentText + kLineEnd;
    return kAcceptedOpen + std::string(TrimSpaces(line)) + kAcceptedClose + kLineEnd;
}

std::string BuildReply(const std::string &line, const ReplyStyle &style)
{
    std::string reply;
    if (style.echoLine)
        reply += line + kLineEnd;
    reply += ReplyBody(line);
    reply += style.prompt;
    return reply;
}
