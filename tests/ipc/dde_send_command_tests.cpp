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

TEST(SendCommand, TextRunsFromTheFirstOpeningToTheLastClosingParenthesis)
{
    const struct {
        const char *command;
        const char *text;
    } cases[] = {
        {"[Send(ABC)]", "ABC"},
        {"[Send()]", ""},
        {"[Send(a)(b)]", "a)(b"},
        {"[Send(f(x))]", "f(x)"},
        {"[Send([x])]", "[x]"},
        {"[Send(])]", "]"},
        {"[Send( x )]", " x "},
        {"[Send(A\r\nB)]", "A\r\nB"},
        {"[Send(\x93\xfa\x96\x7b)]", "\x93\xfa\x96\x7b"},
    };
    for (const auto &c : cases) {
        std::string text;
        EXPECT_TRUE(TextOf(c.command, &text)) << c.command;
        EXPECT_EQ(c.text, text) << c.command;
    }
}

TEST(SendCommand, AnythingButTheExactFormIsNoCommand)
{
    const char *cases[] = {
        "[send(x)]", "[SEND(x)]", "[ Send(x)]", "[Send (x)]", "Send(x)", "[Send(x)", "Send(x)]",
        "[Send(x)] ", " [Send(x)]", "[Send(x]", "[Send)x(]", "[Sendx)]", "[Send(x))", "[Send(x)]]x",
        "[Sen(x)]", "[Sendd(x)]", "[(x)]", "[()]", "[(]", "[]", "[", "]", "", "[Send]", "[Send(]",
    };
    for (const char *command : cases) {
        std::string text;
        EXPECT_FALSE(TextOf(command, &text)) << '"' << command << '"';
    }
}

TEST(SendCommand, LongTextsAreFoundWhole)
{
    for (size_t length : {size_t{512}, size_t{513}, size_t{10 * 1024}, size_t{1024 * 1024}}) {
        std::string body(length, 'x');
        for (size_t i = 0; i < length; i += 97)
            body[i] = static_cast<char>("()[]"[i % 4]);
        std::string text;
        ASSERT_TRUE(TextOf("[Send(" + body + ")]", &text)) << length;
        EXPECT_EQ(body, text);
    }
}

TEST(SendCommand, RandomBytesNeverReachOutsideTheCommand)
{
    std::mt19937 random(20240601);
    const char symbols[] = "[]()Send\r\n\0x\x81\xff";
    const std::string alphabet(symbols, sizeof symbols - 1);
    for (int round = 0; round < 20000; ++round) {
        std::string command(random() % 40, '\0');
        for (char &byte : command) {
            byte = round % 2 ? static_cast<char>(random())
                             : alphabet[random() % alphabet.size()];
        }
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
