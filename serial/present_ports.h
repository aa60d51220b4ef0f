// Serial ports present on the machine beyond the port dialog's four buttons,
// as the system lists them (USB adapters among them).
#pragma once

// Fills numbers with the COM numbers from 5 to 256 found under
// HKLM\HARDWARE\DEVICEMAP\SERIALCOMM, ascending, each once; returns how many.
int ListPresentPorts(int *numbers, int capacity);
