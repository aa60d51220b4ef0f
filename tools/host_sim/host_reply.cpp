#include "tools/host_sim/host_reply.h"

#include <string_view>

#include "core/shift_jis.h"

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

// The length of text without a lead byte left unfinished at its end, where
// an overlong line was cut or the terminal sent half a character.
static std::size_t WholeCharactersLength(std::string_view text)
{
    std::size_t length = 0;
    while (length < text.size()) {
        const std::size_t next = length + (IsShiftJisLeadByte(static_cast<unsigned char>(text[length])) ? 2 : 1);
        if (next > text.size())
            break;
        length = next;
    }
    return length;
}

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
            line.resize(WholeCharactersLength(line));
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

// Shift-JIS trail bytes may change too, but no command has any.
static std::string AsciiUpper(std::string_view word)
{
    std::string upper(word);
    for (char &c : upper) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
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
    const std::string word = AsciiUpper(command.word);
    if (word.empty())
        return "";
    if (word == "HELP" || word == "?")
        return std::string(kHelpText) + kLineEnd;
    if (word == "STATUS")
        return std::string(kStatusText) + kLineEnd;
    if (word == "ECHO")
        return std::string(command.argument) + kLineEnd;
    if (word == "UNDO")
        return kUndoMarker + std::string(command.argument) + kLineEnd + kUndoSentText + kLineEnd;
    return kAcceptedOpen + std::string(TrimSpaces(line)) + kAcceptedClose + kLineEnd;
}

std::string BuildReply(const std::string &line, bool echoLine)
{
    return (echoLine ? line + kLineEnd : std::string()) + ReplyBody(line) + kHostPrompt;
}
