// The paths and the mode that the installer takes from its own file name and command line.
#include "base/SetupContext.h"
#include "main/StartUp.h"

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
    {"", "C:\\Inst\\INSTALL.EXE", StartMode::kWizard, "C:\\Inst\\", "INSTALL.EXE", "INSTALL.INF",
     "C:\\Inst\\INSTALL.INF"},
    {"", "C:\\Inst\\setup.exe", StartMode::kWizard, "C:\\Inst\\", "setup.exe", "setup.INF",
     "C:\\Inst\\setup.INF"},
    {"", "C:\\Inst\\A.EX", StartMode::kWizard, "C:\\Inst\\", "A.EX", "AINF", "C:\\Inst\\AINF"},
    {"/x D:\\App\\SETUP.EXE", "C:\\WINDOWS\\SYSTEM\\SETUP.EXE", StartMode::kUninstallRun,
     "D:\\App\\", "SETUP.EXE", "SETUP.INF", "D:\\App\\SETUP.INF"},
    {"x C:\\Program Files\\Viewer\\SETUP.EXE", "C:\\WINDOWS\\SYSTEM\\SETUP.EXE",
     StartMode::kUninstallRun, "C:\\Program Files\\Viewer\\", "SETUP.EXE", "SETUP.INF",
     "C:\\Program Files\\Viewer\\SETUP.INF"},
    {"r", "C:\\Inst\\SETUP.EXE", StartMode::kUninstallRequest, "C:\\Inst\\", "SETUP.EXE",
     "SETUP.INF", "C:\\Inst\\SETUP.INF"},
    {"/R", "C:\\Inst\\SETUP.EXE", StartMode::kUninstallRequest, "C:\\Inst\\", "SETUP.EXE",
     "SETUP.INF", "C:\\Inst\\SETUP.INF"},
    // Folder and file names whose trail byte is a backslash (表 0x95 0x5C, ソ 0x83 0x5C).
    {"", "C:\\ソフト表\\表.EXE", StartMode::kWizard, "C:\\ソフト表\\", "表.EXE", "表.INF",
     "C:\\ソフト表\\表.INF"},
    // The last three characters, a double-byte one whole: never its lead byte left alone.
    {"", "C:\\Inst\\SETUP表", StartMode::kWizard, "C:\\Inst\\", "SETUP表", "SETINF",
     "C:\\Inst\\SETINF"},
    {"x D:\\App\\表ab", "C:\\WINDOWS\\SYSTEM\\SETUP.EXE", StartMode::kUninstallRun, "D:\\App\\",
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
        {"/s", StartMode::kWizard, true, "", ""},
        {"  /S  ", StartMode::kWizard, true, "", ""},
        {"/quiet /d=D:\\Apps\\Sample", StartMode::kWizard, true, "D:\\Apps\\Sample", ""},
        {"/s /D=C:\\Program Files\\Sample ", StartMode::kWizard, true, "C:\\Program Files\\Sample",
         ""},
        {"/d=\"C:\\My Apps\\表\" /s", StartMode::kWizard, true, "C:\\My Apps\\表", ""},
        {"/r /s", StartMode::kUninstallRequest, true, "", ""},
        {"/s x C:\\App Dir\\SETUP.EXE", StartMode::kUninstallRun, true, "", ""},
        {"/register", StartMode::kBadSwitch, false, "", "/register"},
        {"/repair", StartMode::kBadSwitch, false, "", "/repair"},
        {"-r", StartMode::kBadSwitch, false, "", "-r"},
        {"X", StartMode::kBadSwitch, false, "", "X"},
        {"/X D:\\App\\SETUP.EXE", StartMode::kBadSwitch, false, "", "/X"},
        {"/s /silentx", StartMode::kBadSwitch, true, "", "/silentx"},
        {"/d=", StartMode::kBadSwitch, false, "", "/d="},
        {"/d=\"C:\\a", StartMode::kBadSwitch, false, "", "/d=\"C:\\a"},
        {"/s=1", StartMode::kBadSwitch, false, "", "/s=1"},
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
    EXPECT_EQ(StartMode::kBadSwitch, ResolveStart(tooLong.c_str()));
}

// /LOG, alone or with a path as /d= takes one, once; /NORESTART accepted and ignored.
TEST(ResolveStart, LogSwitch) {
    const struct {
        std::string line;
        StartMode mode;
        bool asked;
        const char* log;
    } cases[] = {
        {"/s /LOG", StartMode::kWizard, true, ""},
        {"/s /NORESTART /log=C:\\logs\\install log.txt", StartMode::kWizard, true,
         "C:\\logs\\install log.txt"},
        {"/LOG=\"C:\\ログ\\表.txt\" /r /s", StartMode::kUninstallRequest, true, "C:\\ログ\\表.txt"},
        {"/s /norestart", StartMode::kWizard, false, ""},
        {"/s /LOG=", StartMode::kBadSwitch, false, ""},
        {"/s /LOG=\"\"", StartMode::kBadSwitch, false, ""},
        {"/LOG /LOG=C:\\a.txt", StartMode::kBadSwitch, false, ""},
        {"/LOG=C:\\" + std::string(300, 'a'), StartMode::kBadSwitch, false, ""},
        {"/NORESTART=1", StartMode::kBadSwitch, false, ""},
    };
    for (const auto& c : cases) {
        ResetSetupContext();
        CopyText(SetupContext.modulePath, kPathSize, "C:\\Inst\\SETUP.EXE");
        EXPECT_EQ(c.mode, ResolveStart(c.line.c_str())) << c.line;
        EXPECT_EQ(c.asked, SetupContext.logAsked) << c.line;
        EXPECT_STREQ(c.log, SetupContext.givenLog) << c.line;
    }
}

// A target that cannot be an installed program: nothing is filled in, so nothing is touched.
TEST(ResolveStart, RefusesUnusableUninstallTargets) {
    const char* const lines[] = {
        "x", "/x", "x ", "x SETUP.EXE", "/x D:\\App\\", "x D:\\App\\AB",
    };
    for (const char* line : lines) {
        ResetSetupContext();
        CopyText(SetupContext.modulePath, kPathSize, "C:\\Inst\\SETUP.EXE");
        EXPECT_EQ(StartMode::kBadTarget, ResolveStart(line)) << line;
        EXPECT_STREQ("", SetupContext.setupFilePath) << line;
    }
    std::string tooLong = "x C:\\" + std::string(kPathSize, 'a') + "\\SETUP.EXE";
    EXPECT_EQ(StartMode::kBadTarget, ResolveStart(tooLong.c_str()));
    // Folder and name fit a path each, but not together: the setup file's path would be cut.
    ResetSetupContext();
    const std::string tooLongTogether =
        "x C:\\" + std::string(200, 'a') + "\\" + std::string(200, 'b') + ".EXE";
    EXPECT_EQ(StartMode::kBadTarget, ResolveStart(tooLongTogether.c_str()));
    EXPECT_STREQ("", SetupContext.setupFilePath);
}

} // namespace
