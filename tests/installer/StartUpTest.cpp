// The paths and the mode that the installer takes from its own file name and command line.
#include "entry/SetupContext.h"
#include "entry/StartUp.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct StartCase {
    const char* commandLine;
    const char* modulePath;
    StartMode mode;
    const char* programFolder;
    const char* exeName;
    const char* setupFileName;
    const char* setupFilePath;
};

const StartCase kStartCases[] = {
    {"", "C:\\Inst\\INSTALL.EXE", StartMode::Wizard, "C:\\Inst\\", "INSTALL.EXE", "INSTALL.INF",
     "C:\\Inst\\INSTALL.INF"},
    {"", "C:\\Inst\\setup.exe", StartMode::Wizard, "C:\\Inst\\", "setup.exe", "setup.INF",
     "C:\\Inst\\setup.INF"},
    {"", "C:\\Inst\\A.EX", StartMode::Wizard, "C:\\Inst\\", "A.EX", "AINF", "C:\\Inst\\AINF"},
    {"/x D:\\App\\SETUP.EXE", "C:\\WINDOWS\\SYSTEM\\SETUP.EXE", StartMode::UninstallRun,
     "D:\\App\\", "SETUP.EXE", "SETUP.INF", "D:\\App\\SETUP.INF"},
    {"x C:\\Program Files\\Viewer\\SETUP.EXE", "C:\\WINDOWS\\SYSTEM\\SETUP.EXE",
     StartMode::UninstallRun, "C:\\Program Files\\Viewer\\", "SETUP.EXE", "SETUP.INF",
     "C:\\Program Files\\Viewer\\SETUP.INF"},
    {"r", "C:\\Inst\\SETUP.EXE", StartMode::UninstallRequest, "C:\\Inst\\", "SETUP.EXE",
     "SETUP.INF", "C:\\Inst\\SETUP.INF"},
    {"/R", "C:\\Inst\\SETUP.EXE", StartMode::UninstallRequest, "C:\\Inst\\", "SETUP.EXE",
     "SETUP.INF", "C:\\Inst\\SETUP.INF"},
    // Folder and file names whose trail byte is a backslash (表 0x95 0x5C, ソ 0x83 0x5C).
    {"", "C:\\ソフト表\\表.EXE", StartMode::Wizard, "C:\\ソフト表\\", "表.EXE", "表.INF",
     "C:\\ソフト表\\表.INF"},
    // The last three characters, a double-byte one whole: never its lead byte left alone.
    {"", "C:\\Inst\\SETUP表", StartMode::Wizard, "C:\\Inst\\", "SETUP表", "SETINF",
     "C:\\Inst\\SETINF"},
    {"x D:\\App\\表ab", "C:\\WINDOWS\\SYSTEM\\SETUP.EXE", StartMode::UninstallRun, "D:\\App\\",
     "表ab", "INF", "D:\\App\\INF"},
};

TEST(ResolveStart, PathsAndModes) {
    for (const StartCase& c : kStartCases) {
        ResetSetupContext();
        CopyText(SetupContext.modulePath, kPathSize, c.modulePath);
        EXPECT_EQ(c.mode, ResolveStart(c.commandLine)) << c.commandLine;
        EXPECT_STREQ(c.programFolder, SetupContext.programFolder) << c.commandLine;
        EXPECT_STREQ(c.exeName, SetupContext.exeName) << c.commandLine;
        EXPECT_STREQ(c.setupFileName, SetupContext.setupFileName) << c.commandLine;
        EXPECT_STREQ(c.setupFilePath, SetupContext.setupFilePath) << c.commandLine;
    }
}

// The switches, and those refused: never taken for another mode.
TEST(ResolveStart, Switches) {
    const struct {
        const char* line;
        StartMode mode;
        bool quiet;
        const char* folder;
        const char* refused;
    } cases[] = {
        {"/s", StartMode::Wizard, true, "", ""},
        {"  /S  ", StartMode::Wizard, true, "", ""},
        {"/quiet /d=D:\\Apps\\Sample", StartMode::Wizard, true, "D:\\Apps\\Sample", ""},
        {"/s /D=C:\\Program Files\\Sample ", StartMode::Wizard, true, "C:\\Program Files\\Sample",
         ""},
        {"/d=\"C:\\My Apps\\表\" /s", StartMode::Wizard, true, "C:\\My Apps\\表", ""},
        {"/r /s", StartMode::UninstallRequest, true, "", ""},
        {"/s x C:\\App Dir\\SETUP.EXE", StartMode::UninstallRun, true, "", ""},
        {"/register", StartMode::BadSwitch, false, "", "/register"},
        {"/repair", StartMode::BadSwitch, false, "", "/repair"},
        {"-r", StartMode::BadSwitch, false, "", "-r"},
        {"X", StartMode::BadSwitch, false, "", "X"},
        {"/X D:\\App\\SETUP.EXE", StartMode::BadSwitch, false, "", "/X"},
        {"/s /silentx", StartMode::BadSwitch, true, "", "/silentx"},
        {"/d=", StartMode::BadSwitch, false, "", "/d="},
        {"/d=\"C:\\a", StartMode::BadSwitch, false, "", "/d=\"C:\\a"},
        {"/s=1", StartMode::BadSwitch, false, "", "/s=1"},
    };
    for (const auto& c : cases) {
        ResetSetupContext();
        CopyText(SetupContext.modulePath, kPathSize, "C:\\Inst\\SETUP.EXE");
        EXPECT_EQ(c.mode, ResolveStart(c.line)) << c.line;
        EXPECT_EQ(c.quiet, SetupContext.quiet) << c.line;
        EXPECT_STREQ(c.folder, SetupContext.givenFolder) << c.line;
        EXPECT_STREQ(c.refused, SetupContext.badSwitch) << c.line;
    }
    const std::string tooLong = "/s /d=C:\\" + std::string(300, 'a');
    EXPECT_EQ(StartMode::BadSwitch, ResolveStart(tooLong.c_str()));
}

// A target that cannot be an installed program: nothing is filled in, so nothing is touched.
TEST(ResolveStart, RefusesUnusableUninstallTargets) {
    const char* const lines[] = {
        "x", "/x", "x ", "x SETUP.EXE", "/x D:\\App\\", "x D:\\App\\AB",
    };
    for (const char* line : lines) {
        ResetSetupContext();
        CopyText(SetupContext.modulePath, kPathSize, "C:\\Inst\\SETUP.EXE");
        EXPECT_EQ(StartMode::BadTarget, ResolveStart(line)) << line;
        EXPECT_STREQ("", SetupContext.setupFilePath) << line;
    }
    std::string tooLong = "x C:\\" + std::string(kPathSize, 'a') + "\\SETUP.EXE";
    EXPECT_EQ(StartMode::BadTarget, ResolveStart(tooLong.c_str()));
    // Folder and name fit a path each, but not together: the setup file's path would be cut.
    ResetSetupContext();
    const std::string tooLongTogether =
        "x C:\\" + std::string(200, 'a') + "\\" + std::string(200, 'b') + ".EXE";
    EXPECT_EQ(StartMode::BadTarget, ResolveStart(tooLongTogether.c_str()));
    EXPECT_STREQ("", SetupContext.setupFilePath);
}

} // namespace
