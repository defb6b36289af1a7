// What the whole-run tests share: the settings, the log read as blocks, and a fixture that gives
// each test a copy of Vexilo in a scratch folder of its own (so its page-copy store is the
// test's too), a Favorites folder, settings that name it and nothing else, and a shell recorder
// in place of the browser.
#pragma once

#include "ScratchFolder.h"
#include "ShellRecorder.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <vector>

constexpr char kSettingsKey[] = "SOFTWARE\\Oskaveld\\Vexilo";
constexpr char kSeparator[] = "          -----------";
constexpr char kNewText[] = "URLは新規チェックか更新されています。";
// How the line that begins each run, naming its proxy, begins.
constexpr char kProxyHeading[] = "プロキシ: ";
using Lines = std::vector<std::string>;

std::string TempFolder();
std::string UserName();
void WriteDword(const char* name, DWORD value);
// 0xDEADBEEF when the value is not there.
DWORD ReadDword(const char* name);

// The whole screen as a PNG in VEXILO_SCREENSHOTS (a folder of the host) named name; true once
// the picture is there whole.
bool SaveScreen(const std::string& name);

// The log as blocks: each probed URL with the lines that followed it.
struct LogBlock {
    std::string url;
    Lines lines;
};
std::vector<LogBlock> Blocks(const Lines& log);
// The lines of each URL, by URL: of the blocks given (the last block of a URL counts), or of
// the log from block firstBlock on (the lines of every block of a URL, in order).
std::map<std::string, Lines> ByUrl(const std::vector<LogBlock>& blocks);
std::map<std::string, Lines> ByUrl(const Lines& log, size_t firstBlock = 0);

class RunFixture : public testing::Test {
protected:
    // The scratch copy of exe (a Unix or Windows path), the Favorites folder, the settings and
    // the recorder; the report pages of earlier runs are removed.
    void Prepare(const std::string& exe);
    void TearDown() override;

    // Writes a file below the Favorites folder.
    void Favorite(const std::string& relative, const std::string& bytes);
    // A shortcut as the recycle bin holds it (Wine keeps it below XDG_DATA_HOME).
    static std::string Trashed(const std::string& name);
    // Empties the recycle bin of these names, so that a name is never taken when the test
    // recycles it (the bin would then choose another).
    static void ForgetTrashed(std::initializer_list<const char*> names);
    static std::string Report(const char* page);
    // No new copy left in the store: every one was either taken as the page or removed.
    bool NoNewCopyLeft() const;

    driver::ScratchFolder scratch_;
    std::string exe_;
    std::string store_;
    std::string favorites_;
    std::unique_ptr<driver::ShellRecorder> recorder_;
};
