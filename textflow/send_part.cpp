#include "textflow/send_part.h"

#include <algorithm>
#include <cwchar>

SendPart ChooseSendPart(std::size_t selectionStart, std::size_t selectionEnd, std::size_t length)
{
    std::size_t end = std::min(selectionEnd, length);
    std::size_t start = std::min(selectionStart, end);
    if (start == end)
        return {0, end};
    return {start, end};
}

void CutSendPart(wchar_t *text, std::size_t length, SendPart part)
{
    std::size_t end = std::min(part.end, length);
    std::size_t start = std::min(part.start, end);
    std::wmemmove(text + start, text + end, length - end + 1);
}
