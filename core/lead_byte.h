// The double-byte lead-byte test, handed as a function to the text logic that
// is kept free of windows.h, so that logic can also run natively.
#pragma once

using LeadByteTest = bool (*)(unsigned char byte);

// The test of the system's ANSI code page (Shift-JIS on the target systems).
bool IsCodePageLeadByte(unsigned char byte);
