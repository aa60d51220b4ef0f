// The program's own names, shared by the title, the About box, the message
// boxes and the settings file.
#pragma once

#include "resources/version.h"

inline constexpr char kProgramName[] = "VRK";
inline constexpr char kProgramVersion[] = VRK_VERSION_TEXT "(32)";
inline constexpr char kMainClassName[] = "VRKWndClass";
inline constexpr char kDefaultDdeServiceName[] = "VRK";
inline constexpr char kDdeTopicName[] = "Command";

inline constexpr int kOutputPaneId = 1000;
inline constexpr int kInputLineId = 1001;
inline constexpr unsigned kPollTimerId = 1;
inline constexpr unsigned kPollIntervalMs = 300;
inline constexpr unsigned kImsDiscoverMessage = 0x8001;  // WM_APP + 1
inline constexpr unsigned kLogWaitsMessage = 0x8002;     // WM_APP + 2: text began or ceased to wait
inline constexpr char kImsMessageName[] = "IMS-API-3f1a7c20-5b8e-11d4-9c3d-0a1b2c3d4e5f";
