#include <gtest/gtest.h>

#include <random>
#include <string>

#include "ipc/send_command.h"

namespace {

bool TextOf(const std::string &command, std::string *text)
{
    SendCommandText found = {99, 99};
    if (!FindSendCommandText(command.data(), command.size(), &found))
        return false;
    EXPECT_LE(found.offset + found.length, command.size());
    text->assign(command, found.offset, found.length);
    return true;
}

TEST(SendCommand, OnlyTheExactFormIsACommandAndItsTextRunsToTheLastClosingParenthesis)
{
    const struct {
        const char *command;
        const char *text;  // nullptr: no command
    } cases[] = {
        {"[Send(ABC)]", "ABC"}, {"[Send()]", ""}, {"[Send(a)(b)]", "a)(b"}, {"[Send(f(x))]", "f(x)"},
        {"[Send([x])]", "[x]"}, {"[Send(])]", "]"}, {"[Send( x )]", " x "}, {"[Send(A\r\nB)]", "A\r\nB"},
        {"[Send(\x93\xfa\x96\x7b)]", "\x93\xfa\x96\x7b"},
        {"[send(x)]", nullptr}, {"[SEND(x)]", nullptr}, {"[ Send(x)]", nullptr}, {"[Send (x)]", nullptr},
        {"Send(x)", nullptr}, {"[Send(x)", nullptr}, {"Send(x)]", nullptr}, {"[Send(x)] ", nullptr},
        {" [Send(x)]", nullptr}, {"[Send(x]", nullptr}, {"[Send)x(]", nullptr}, {"[Sendx)]", nullptr},
        {"[Send(x))", nullptr}, {"[Send(x)]]x", nullptr}, {"[Sen(x)]", nullptr}, {"[Sendd(x)]", nullptr},
        {"[(x)]", nullptr}, {"[()]", nullptr}, {"[(]", nullptr}, {"[]", nullptr}, {"[", nullptr},
        {"]", nullptr}, {"", nullptr}, {"[Send]", nullptr}, {"[Send(]", nullptr},
    };
    for (const auto &c : cases) {
        std::string text;
        EXPECT_EQ(c.text != nullptr, TextOf(c.command, &text)) << '"' << c.command << '"';
        EXPECT_EQ(c.text ? c.text : "", text) << c.command;
    }
}

TEST(SendCommand, RandomBytesNeverReachOutsideTheCommand)
{
    std::mt19937 random(20240601);
    const char symbols[] = "[]()Send\r\n\0x\x81\xff";
    const std::string alphabet(symbols, sizeof symbols - 1);
    for (int round = 0; round < 20000; ++round) {
        std::string command(random() % 40, '\0');
        for (char &byte : command)
            byte = round % 2 ? static_cast<char>(random()) : alphabet[random() % alphabet.size()];
        if (round % 5 == 0)
            command = "[Send(" + command + ")]";
        std::string text;
        if (TextOf(command, &text)) {
            EXPECT_EQ("[Send(", command.substr(0, 6));
            EXPECT_EQ(")]", command.substr(command.size() - 2));
            EXPECT_EQ(command.size() - 8, text.size());
        }
    }
}

}  // namespace
