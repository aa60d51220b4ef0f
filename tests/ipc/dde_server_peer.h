// What the probe tests and the DDE server peer program share.
#pragma once

#include <windows.h>

inline constexpr char kServerPeerClass[] = "VrkDdeServerPeer";
inline constexpr wchar_t kServerPeerClassW[] = L"VrkDdeServerPeer";
// Sent to the peer's window: it returns how many conversations are still
// open, or how many terminates it has received.
inline constexpr UINT kCountOpen = WM_APP + 0x10;
inline constexpr UINT kCountTerminates = WM_APP + 0x11;
