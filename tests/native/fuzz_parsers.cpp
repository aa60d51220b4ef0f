// libFuzzer targets for the code that reads bytes from DDE clients, the
// system's list of ports, the settings file, the serial line and the host
// simulator's command line; FUZZ_<name> picks one per build.
#include <algorithm>
#include <cassert>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "ipc/send_command.h"
#include "serial/port_name.h"
#include "settings/ini_encoding.h"
#include "settings/ini_text.h"
#include "tools/host_sim/host_reply.h"
#include "tools/host_sim/host_sim_options.h"
#include "tools/host_sim/text_escapes.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    const std::string input(reinterpret_cast<const char *>(data), size);
#if defined(FUZZ_send_command)
    // The exact bytes, with no terminator, so an over-read hits the redzone.
    SendCommandText text{};
    if (FindSendCommandText(reinterpret_cast<const char *>(data), size, &text))
        assert(text.offset == 6 && text.offset + text.length + 2 == size);
#elif defined(FUZZ_escapes)
    std::string out, error;
    if (DecodeEscapes(input, out, error))
        assert(out.size() <= size && (input.find('\\') != std::string::npos || out == input));
    else
        assert(!error.empty());
#elif defined(FUZZ_host_reply)
    LineAssembler assembler;
    std::vector<std::string> lines;
    // Fed twice so a line can outgrow the limit from a modest input.
    FeedReceivedBytes(assembler, input.data(), size, lines);
    FeedReceivedBytes(assembler, input.data(), size, lines);
    for (const std::string &line : lines) {
        assert(line.size() <= kMaxHostLineBytes && line.find_first_of(std::string("\r\n\0", 3)) == std::string::npos);
        assert(BuildReply(line, size & 1).ends_with(kHostPrompt));
    }
#elif defined(FUZZ_host_sim_args)
    std::vector<const char *> argv = {"host_sim"};
    for (size_t at = 0; at < size; at += std::strlen(&input[at]) + 1)
        argv.push_back(&input[at]);
    HostSimOptions options;
    std::string error;
    const bool ok = ParseHostSimArgs(static_cast<int>(argv.size()), argv.data(), options, error);
    assert(ok || !error.empty());
    for (size_t i = 1; i < options.splitOffsets.size(); ++i)
        assert(options.splitOffsets[i - 1] < options.splitOffsets[i]);
#elif defined(FUZZ_settings)
    // A hand-edited settings file, rewritten: every key set reads back as set,
    // in bytes and in the UTF-16 units the same bytes make.
    const auto rewrite = [](auto file, const auto &entries) {
        std::vector<typename decltype(file)::value_type> out(file.size() + 64);
        const size_t length = UpdateIni(file, "VRK", entries, 2, out.data(), out.size());
        assert(length > 0);
        for (const auto &entry : entries) {
            decltype(file) value;
            assert(FindIniValue(decltype(file)(out.data(), length), "vrk", entry.key, &value) && value == entry.value);
        }
        ParseIniInteger(file);
    };
    const IniEntry entries[] = {{"A", "1"}, {"b", "x y"}};
    const WideIniEntry wideEntries[] = {{"A", L"1"}, {"b", L"x y"}};
    std::vector<wchar_t> units(size / 2 + 1);
    const IniEncoding order = size & 1 ? IniEncoding::Utf16Be : IniEncoding::Utf16Le;
    const std::wstring_view wide(units.data(), Utf16FromBytes(input, order, units.data()));
    rewrite(std::string_view(input), entries);
    rewrite(wide, wideEntries);
    const size_t limit = size / 3, utf8 = WholeUtf8Within(input, limit), utf16 = WholeUtf16Within(wide, limit);
    assert(utf8 <= limit && utf8 + 3 >= std::min(limit, size) && utf16 <= limit && utf16 + 1 >= std::min(limit, wide.size()));
#elif defined(FUZZ_port_name)
    // Another program's registry data, exactly as long as it says it is.
    const int number = ExtraPortNumber(reinterpret_cast<const char *>(data), size);
    assert(number == 0 || (number >= 5 && number <= 256));
    // A device's friendly name, another program's text, into a list text of
    // any size.
    const std::wstring name(input.begin(), input.end());
    std::wstring text(size % 40 + 1, L'#');
    MakePortChoiceText(number ? number : 7, name.c_str(), &text[0], text.size());
    assert(std::wcslen(text.c_str()) < text.size());
#endif
    return 0;
}
