#include "core/message_box.h"

#include <cstdio>

#include "core/program_identity.h"

// String-table entries are loaded into 255 characters; the suffix needs room
// for a step name and eight hex digits on top.
static const int kEntrySize = 256;
static const int kTextSize = kEntrySize + 64;

int ShowMessage(HWND owner, UINT entry, UINT icon)
{
    char text[kEntrySize] = "";
    LoadStringA(reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(owner, GWLP_HINSTANCE)), entry, text,
                kEntrySize - 1);
    return MessageBoxA(owner, text, kProgramName, MB_OK | icon);
}

int ShowFailure(HWND owner, UINT entry, const char *step, DWORD code)
{
    char text[kTextSize] = "";
    int length = LoadStringA(reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(owner, GWLP_HINSTANCE)),
                             entry, text, kEntrySize - 1);
    snprintf(text + length, sizeof text - length, "\n(%s:%08lx)", step, static_cast<unsigned long>(code));
    return MessageBoxA(owner, text, kProgramName, MB_OK | MB_ICONERROR);
}
