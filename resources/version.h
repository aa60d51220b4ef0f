// The program's version: one definition for the version resource, the About
// box and the settings file, so that they cannot drift apart.
#pragma once

#define VRK_VERSION_MAJOR 2
#define VRK_VERSION_MINOR 0
#define VRK_STRINGIZE(x) #x
#define VRK_TEXT_OF(x) VRK_STRINGIZE(x)
#define VRK_VERSION_TEXT VRK_TEXT_OF(VRK_VERSION_MAJOR) "." VRK_TEXT_OF(VRK_VERSION_MINOR)
