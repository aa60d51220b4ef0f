#include "tools/host_sim/stream_generator.h"

#include <cstdint>
#include <cstdio>

// Shift-JIS (code page 932) phrases, chosen to cover what trips up a
// double-byte aware reader: trail bytes that equal '\' (0x5C) or ASCII
// letters, lead bytes from both ranges (0x81-0x9F and 0xE0-0xFC), and
// half-width katakana, which are single bytes above 0x7F.
static const char *const kPhrases[] = {
    "\x8e\xf3\x90\x4d\x83\x65\x83\x58\x83\x67",  // 受信テスト
    "\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x8d\x73\x82\xc5\x82\xb7",  // 日本語の行です
    "\x83\x5c\x83\x74\x83\x67",  // ソフト
    "\x95\x5c\x8e\xa6",  // 表示
    "\x94\x5c\x97\xcd",  // 能力
    "\x97\x5c\x96\xf1",  // 予約
    "\x89\xf1\x90\xfc\x90\xb3\x8f\xed",  // 回線正常
    "\x83\x66\x81\x5b\x83\x5e",  // データ
    "\x92\x5b\x96\x96",  // 端末
    "\x91\x97\x90\x4d\x8a\xae\x97\xb9",  // 送信完了
    "\xe2\x56\x93\xa1",  // 齋藤
    "\xea\xa3",  // 凜
    "\x9f\x54",  // 鬱
    "\x94\xbc\x8a\x70\xb6\xc5",  // 半角ｶﾅ
    "\x81\x41",  // 、
    "\x81\x42",  // 。
};
static const char kAsciiFiller[] = "THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG 0123456789 ";

static const unsigned kPatternLength = 8;
static const unsigned kLoneCrSlot = 6;
static const unsigned long kMarkedEvery = 16;

// A fixed mix of the line number, so lengths and phrase choices vary from
// line to line but never from run to run.
static std::uint32_t MixLineNumber(unsigned long line)
{
    std::uint32_t x = static_cast<std::uint32_t>(line) * 0x9E3779B1u + 0x7F4A7C15u;
    x ^= x >> 15;
    x *= 0x85EBCA77u;
    x ^= x >> 13;
    return x;
}

static void AppendAsciiText(std::string &out, std::size_t length, std::uint32_t mix)
{
    const std::size_t fillerLength = sizeof kAsciiFiller - 1;
    for (std::size_t i = 0; i < length; ++i)
        out += kAsciiFiller[(mix + i) % fillerLength];
}

static void AppendShiftJisText(std::string &out, std::size_t length, std::uint32_t mix)
{
    const std::size_t phraseCount = sizeof kPhrases / sizeof kPhrases[0];
    const std::size_t target = out.size() + length;
    for (std::uint32_t pick = mix; out.size() < target; pick = pick * 1103515245u + 12345u) {
        out += kPhrases[(pick >> 16) % phraseCount];
        out += ' ';
    }
}

// Up to 16 bytes of ASCII, half-width katakana and double-byte phrases.
static void AppendShortLine(std::string &out, std::uint32_t mix)
{
    static const char *const kLineEnds[] = {"\r\n", "\r\n", "\r\n", "\r", "\n"};
    const std::size_t target = out.size() + mix % 17;
    for (std::uint32_t pick = mix; out.size() < target; pick = pick * 1103515245u + 12345u) {
        if (pick % 3 == 0)
            out += kPhrases[(pick >> 16) % (sizeof kPhrases / sizeof kPhrases[0])];
        else
            out += static_cast<char>(pick % 5 == 1 ? 0xb1 + (pick >> 8) % 47 : kAsciiFiller[(pick >> 8) % 40]);
    }
    out += kLineEnds[(mix >> 8) % 5];
}

void AppendStreamLine(StreamGenerator &generator, std::string &out)
{
    const unsigned long line = generator.nextLine++;
    const std::uint32_t mix = MixLineNumber(line);
    if (generator.shortLines) {
        AppendShortLine(out, mix);
        return;
    }
    const unsigned slot = line % kPatternLength;
    const std::size_t length = 10 + mix % 50;

    if (generator.markedLines && line % kMarkedEvery == kMarkedEvery - 1)
        out += '\x1d';
    char number[16];
    std::snprintf(number, sizeof number, "%06lu ", line % 1000000);
    out += number;
    if (slot < 3)
        AppendAsciiText(out, length, mix);
    else if (slot < 6)
        AppendShiftJisText(out, length, mix);
    else {
        AppendAsciiText(out, length / 2, mix);
        AppendShiftJisText(out, length / 2, mix);
    }
    out += slot == kLoneCrSlot ? "\r" : "\r\n";
}
