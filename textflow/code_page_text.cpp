#include "textflow/code_page_text.h"

std::size_t EditLengthInOwnUnits(HWND edit)
{
    LRESULT lines = SendMessageA(edit, EM_GETLINECOUNT, 0, 0);
    LRESULT lastLineStart = SendMessageA(edit, EM_LINEINDEX, lines > 0 ? lines - 1 : 0, 0);
    if (lastLineStart < 0)
        return 0;
    LRESULT lastLineLength = SendMessageA(edit, EM_LINELENGTH, lastLineStart, 0);
    return static_cast<std::size_t>(lastLineStart + lastLineLength);
}
