#include "tools/host_actions.h"

#include <cmath>
#include <cstdlib>

#include "tools/text_escapes.h"

bool ParseSeconds(std::string_view text, double &seconds)
{
    if (text.empty() || text.size() > 32)
        return false;
    for (char c : text) {
        if ((c < '0' || c > '9') && c != '.')
            return false;
    }
    const std::string copy(text);
    char *end = nullptr;
    const double value = std::strtod(copy.c_str(), &end);
    if (end != copy.c_str() + copy.size() || !std::isfinite(value) || value > kMaxSeconds)
        return false;
    seconds = value;
    return true;
}

static bool MakeTimedAction(HostActionKind kind, std::string_view value, bool mustBePositive,
                            HostAction &action, std::string &error)
{
    action.kind = kind;
    if (!ParseSeconds(value, action.seconds) || (mustBePositive && action.seconds <= 0)) {
        error = "bad number of seconds: '" + std::string(value) + "'";
        return false;
    }
    return true;
}

static bool MakeExpectAction(std::string_view value, HostAction &action, std::string &error)
{
    const std::size_t space = value.find(' ');
    if (space == std::string_view::npos || space + 1 == value.size()) {
        error = "expect needs a time and a text: expect SECONDS TEXT";
        return false;
    }
    if (!MakeTimedAction(HostActionKind::Expect, value.substr(0, space), false, action, error))
        return false;
    return DecodeEscapes(value.substr(space + 1), action.text, error);
}

static bool MakeAnswerAction(std::string_view value, HostAction &action, std::string &error)
{
    action.kind = HostActionKind::Answer;
    if (value != "on" && value != "off") {
        error = "answer takes on or off";
        return false;
    }
    action.on = value == "on";
    return true;
}

static bool MakePathAction(HostActionKind kind, std::string_view value, HostAction &action, std::string &error)
{
    action.kind = kind;
    if (value.empty()) {
        error = "missing file name";
        return false;
    }
    action.text = value;
    return true;
}

bool MakeHostAction(std::string_view name, std::string_view value, HostAction &action, std::string &error)
{
    action = HostAction{};
    if (name == "send") {
        action.kind = HostActionKind::Send;
        return DecodeEscapes(value, action.text, error);
    }
    if (name == "send-file")
        return MakePathAction(HostActionKind::SendFile, value, action, error);
    if (name == "stream")
        return MakeTimedAction(HostActionKind::Stream, value, true, action, error);
    if (name == "wait")
        return MakeTimedAction(HostActionKind::Wait, value, false, action, error);
    if (name == "expect")
        return MakeExpectAction(value, action, error);
    if (name == "answer")
        return MakeAnswerAction(value, action, error);
    error = "unknown step '" + std::string(name) + "'";
    return false;
}

// Windows editors end lines with CR LF; the CR is no part of the step.
static std::string_view NextScriptLine(std::string_view &rest)
{
    const std::size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

bool ParseHostScript(std::string_view script, std::vector<HostAction> &actions, std::string &error)
{
    std::string_view rest = script;
    for (int lineNumber = 1; !rest.empty(); ++lineNumber) {
        const std::string_view line = NextScriptLine(rest);
        if (line.find_first_not_of(" \t") == std::string_view::npos || line.front() == '#')
            continue;
        const std::size_t space = line.find(' ');
        const std::string_view name = line.substr(0, space);
        const std::string_view value = space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
        HostAction action;
        if (!MakeHostAction(name, value, action, error)) {
            error = "script line " + std::to_string(lineNumber) + ": " + error;
            return false;
        }
        actions.push_back(std::move(action));
    }
    return true;
}
