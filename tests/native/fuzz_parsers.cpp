// libFuzzer targets for the code that reads bytes from DDE clients, the serial
// line and the host simulator's command line; FUZZ_<name> picks one per build.
#include <cassert>
#include <cstring>
#include <string>
#include <vector>

#include "ipc/send_command.h"
#include "textflow/dbcs_text.h"
#include "tools/host_reply.h"
#include "tools/host_sim_options.h"
#include "tools/shift_jis.h"
#include "tools/text_escapes.h"

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
#elif defined(FUZZ_dbcs_text)
    std::string text = input, held = input;  // c_str() supplies the terminator the helpers expect
    const size_t length = std::strlen(text.c_str());
    const size_t units = size ? data[0] : 0, position = size > 1 ? data[1] : 0;  // any pair, agreeing or not
    assert(EditPositionToByteOffset(text.c_str(), length, units, position, IsShiftJisLeadByte) <= length);
    const char lead = TakeTrailingLeadByte(&held[0], IsShiftJisLeadByte);
    assert(std::strlen(held.c_str()) == length - (lead != 0));
    SplitAtSeparators(&text[0], '|', IsShiftJisLeadByte);
    for (size_t i = 0; i < length; ++i)
        assert(text[i] == input[i] || (input[i] == '|' && text[i] == '\0'));
#endif
    return 0;
}
