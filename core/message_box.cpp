#include "core/message_box.h"

#include <cwchar>

#include "core/program_identity.h"

// String-table entries are loaded into 255 characters; the suffix needs room
// for a step name and eight hex digits on top.
static const int kEntrySize = 256;
static const int kTextSize = kEntrySize + 64;

int ShowMessage(HWND owner, UINT entry, UINT icon)
{
    wchar_t text[kEntrySize] = L"";
    LoadStringW(reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner, GWLP_HINSTANCE)), entry, text,
                kEntrySize - 1);
    return MessageBoxW(owner, text, kProgramName, MB_OK | icon);
}

int ShowFailure(HWND owner, UINT entry, const wchar_t *step, DWORD code)
{
    wchar_t text[kTextSize] = L"";
    int length = LoadStringW(reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner, GWLP_HINSTANCE)),
                             entry, text, kEntrySize - 1);
    std::swprintf(text + length, kTextSize - length, L"\n(%ls:%08lx)", step, static_cast<unsigned long>(code));
    return MessageBoxW(owner, text, kProgramName, MB_OK | MB_ICONERROR);
}
