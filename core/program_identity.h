// The program's own names, shared by the title, the About box, the message
// boxes and the settings file.
#pragma once

#include "resources/version.h"

#define VRK_PROGRAM_NAME "VRK"
#define VRK_PROGRAM_VERSION VRK_VERSION_TEXT "(32)"

inline constexpr wchar_t kProgramName[] = L"" VRK_PROGRAM_NAME;
inline constexpr wchar_t kProgramVersion[] = L"" VRK_PROGRAM_VERSION;
inline constexpr wchar_t kMainClassName[] = L"VRKWndClass";
inline constexpr wchar_t kDefaultDdeServiceName[] = L"VRK";
inline constexpr wchar_t kDdeTopicName[] = L"Command";
// The settings file's section name, ASCII in every encoding the file is read in.
inline constexpr char kSettingsSection[] = VRK_PROGRAM_NAME;

inline constexpr int kOutputPaneId = 1000;
inline constexpr int kInputLineId = 1001;
inline constexpr unsigned kPollTimerId = 1;
inline constexpr unsigned kPollIntervalMs = 300;
inline constexpr unsigned kImsDiscoverMessage = 0x8001;  // WM_APP + 1
inline constexpr unsigned kLogWaitsMessage = 0x8002;     // WM_APP + 2: text began or ceased to wait
inline constexpr unsigned kPortStateMessage = 0x8003;    // WM_APP + 3: the port was lost or came back
inline constexpr wchar_t kImsMessageName[] = L"IMS-API-3f1a7c20-5b8e-11d4-9c3d-0a1b2c3d4e5f";
