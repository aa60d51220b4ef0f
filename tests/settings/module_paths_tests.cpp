#include <gtest/gtest.h>

#include "settings/module_paths.h"

namespace {

// Shift-JIS lead bytes, as the system's test reports them for code page 932.
bool IsShiftJisLead(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

struct PathCase {
    const char *modulePath;
    const char *storedName;
    const char *logDirectory;
    const char *iniPath;
};

// "表" is 0x95 0x5C in Shift-JIS: its trail byte is a backslash.
const PathCase kPathCases[] = {
    {"C:\\VRK\\VRK.exe", nullptr, "C:\\VRK\\", "C:\\VRK\\VRK.ini"},
    {"C:\\VRK\\VRK.exe", "Vrk.exe", "C:\\VRK\\", "C:\\VRK\\Vrk.ini"},
    {"C:\\a.b\\Term.v2.exe", nullptr, "C:\\a.b\\", "C:\\a.b\\Term.v2.ini"},
    {"C:\\PROGRA~1\\TERMIN~1.EXE", "Terminal Program.exe", "C:\\PROGRA~1\\",
     "C:\\PROGRA~1\\Terminal Program.ini"},
    {"C:\\\x95\x5C\\\x95\x5C.exe", nullptr, "C:\\\x95\x5C\\", "C:\\\x95\x5C\\\x95\x5C.ini"},
    {"C:\\x\\\x95\x5C", nullptr, "C:\\x\\", "C:\\x\\\x95\x5C.ini"},
    {"C:\\dir.d\\noext", nullptr, "C:\\dir.d\\", "C:\\dir.d\\noext.ini"},
};

TEST(ModulePaths, DirectoryAndSettingsFileFollowTheExecutable)
{
    for (const PathCase &c : kPathCases) {
        SCOPED_TRACE(c.modulePath);
        char directory[260];
        char ini[260];
        ASSERT_TRUE(MakeLogDirectory(c.modulePath, IsShiftJisLead, directory, sizeof directory));
        ASSERT_TRUE(MakeIniPath(c.modulePath, c.storedName, IsShiftJisLead, ini, sizeof ini));
        EXPECT_STREQ(c.logDirectory, directory);
        EXPECT_STREQ(c.iniPath, ini);
    }
}

TEST(ModulePaths, ResultsThatDoNotFitAreRefusedNotCut)
{
    char small[16];
    EXPECT_TRUE(MakeIniPath("C:\\d\\VRK.exe", nullptr, IsShiftJisLead, small, sizeof small));
    EXPECT_STREQ("C:\\d\\VRK.ini", small);
    EXPECT_FALSE(MakeIniPath("C:\\d\\VRK.exe", "AVeryLongStoredName.exe", IsShiftJisLead, small,
                             sizeof small));
    EXPECT_STREQ("", small);
    EXPECT_FALSE(MakeLogDirectory("C:\\a-long-directory\\x.exe", IsShiftJisLead, small, sizeof small));
    EXPECT_STREQ("", small);
    // Exactly filling the buffer, terminator included, still fits.
    char exact[sizeof "C:\\d\\VRK.ini"];
    EXPECT_TRUE(MakeIniPath("C:\\d\\VRK.exe", nullptr, IsShiftJisLead, exact, sizeof exact));
}

}  // namespace
