// An endless, reproducible flow of host output for load tests: numbered
// ASCII and Shift-JIS lines ended by CR LF, some ended by a lone CR, and,
// when asked for, some lines marked with 0x1D at their start.
#pragma once

#include <string>

struct StreamGenerator {
    unsigned long nextLine = 0;
    bool markedLines = false;
    bool shortLines = false;
};

// Appends the next whole line, line end included. Every line starts with its
// six-digit number (after the marker, if any), so a reader can tell lost or
// reordered lines; the same generator settings always give the same bytes.
// Short lines, as a busy host sends them, are about ten bytes with their
// end, carry no number, and end in CR LF, a lone CR or a lone LF.
void AppendStreamLine(StreamGenerator &generator, std::string &out);
