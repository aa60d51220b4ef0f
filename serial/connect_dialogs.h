// The two dialogs of the Connect command: the port, then the baud rate.
#pragma once

#include <windows.h>

// TRUE when the operator confirmed both; the choices are then in the record.
BOOL ChoosePortAndBaudRate(HWND mainWindow);
