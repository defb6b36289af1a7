// Report pages: their exact bytes on disk, the escaping of what comes from shortcut files, and
// the opening with the shell at the end, observed through the recorder registered for .htm.
#include <windows.h>

#include <shellapi.h>

#include "run/ReportPage.h"

#include "ScratchFolder.h"
#include "ShellRecorder.h"
#include "WinDriver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using driver::ScratchFolder;
using driver::ShellRecorder;

const char kVanishedHead[] =
    "<HTML>\r\n<HEAD>\r\n<TITLE>削除されたホームページ</TITLE>\r\n</HEAD>\r\n"
    "<BODY BGCOLOR=\"#AACCCC\">\r\n"
    "<CENTER><FONT SIZE=\"5\">削除されたホームページ</FONT></CENTER><BR>\r\n\r\n";
const char kUpdatedHead[] =
    "<HTML>\r\n<HEAD>\r\n<TITLE>新規、又は更新されたホームページ</TITLE>\r\n</HEAD>\r\n"
    "<BODY BGCOLOR=\"#AACCCC\">\r\n"
    "<CENTER><FONT SIZE=\"5\">新規、又は更新されたホームページ</FONT></CENTER><BR>\r\n\r\n";
const char kFoot[] = "\r\n</BODY>\r\n</HTML>\r\n";

TEST(ReportPagePath, BesideTheFavoritesList) {
    char path[1024];
    ASSERT_TRUE(ReportPagePath(ReportKind::kVanished, "C:\\TEMP\\flist.tmp", path, sizeof path));
    EXPECT_STREQ("C:\\TEMP\\flistdel.htm", path);
    ASSERT_TRUE(ReportPagePath(ReportKind::kUpdated, "C:\\表\\flist.tmp", path, sizeof path));
    EXPECT_STREQ("C:\\表\\flist.htm", path);
    EXPECT_FALSE(ReportPagePath(ReportKind::kUpdated, "C:\\TEMP\\flist", path, sizeof path));
    EXPECT_STREQ("", path);
}

TEST(EscapeHtml, NothingFromAShortcutBecomesMarkup) {
    const std::pair<const char*, const char*> cases[] = {
        {"http://example.jp/a?x=1&y=2", "http://example.jp/a?x=1&amp;y=2"},
        {"http://x/\"><script>alert(1)</script>",
         "http://x/&quot;&gt;&lt;script&gt;alert(1)&lt;/script&gt;"},
        {"&amp;", "&amp;amp;"},
        {"表\\ソフト.url", "表\\ソフト.url"},
        {"a\x95", "a"}, // a lead byte without its trail byte would swallow the next quote
    };
    char result[256];
    for (const auto& c : cases) {
        EXPECT_TRUE(EscapeHtml(c.first, result, sizeof result));
        EXPECT_STREQ(c.second, result) << c.first;
    }
    // At the limit an entity is left out whole, never cut.
    char small[6];
    EXPECT_FALSE(EscapeHtml("ab&c", small, sizeof small));
    EXPECT_STREQ("ab", small);
}

TEST(ReportPage, WritesThePageAndOpensItWithTheShell) {
    ScratchFolder scratch;
    ShellRecorder recorder(scratch / "opened.log");
    ASSERT_TRUE(recorder.RecordPages());

    const std::string unfinished = scratch / "unfinished.htm";
    {
        ReportPage page;
        ASSERT_TRUE(page.Create(ReportKind::kUpdated, unfinished.c_str()));
        // Left without Finish: the file is made whole, but not opened.
    }
    EXPECT_EQ(std::string(kUpdatedHead) + kFoot, driver::ReadFileBytes(unfinished));

    const std::string vanished = scratch / "flistdel.htm";
    const std::string updated = scratch / "flist.htm";
    ReportPage vanishedPage;
    ReportPage updatedPage;
    ASSERT_TRUE(vanishedPage.Create(ReportKind::kVanished, vanished.c_str()));
    ASSERT_TRUE(updatedPage.Create(ReportKind::kUpdated, updated.c_str()));
    EXPECT_FALSE(vanishedPage.Create(ReportKind::kVanished, vanished.c_str())); // already open
    EXPECT_TRUE(vanishedPage.WriteEntry("http://gone.example/", "Daily.url"));
    EXPECT_TRUE(vanishedPage.WriteEntry("http://x/?a=1&b=\"<2>\"", "表\\ソ&<b>.url"));
    // What changed goes on a line below the link, escaped as the rest.
    EXPECT_TRUE(updatedPage.WriteEntry("http://new.example/", "New.url", nullptr,
                                       "追加: a<b> & \"c\""));
    EXPECT_TRUE(vanishedPage.Finish());
    EXPECT_TRUE(updatedPage.Finish());
    EXPECT_FALSE(updatedPage.IsOpen());
    EXPECT_FALSE(updatedPage.WriteEntry("http://late.example/", "late.url"));

    EXPECT_EQ(std::string(kVanishedHead) +
                  "<A HREF=\"http://gone.example/\">Daily.url</A><BR><BR>\r\n"
                  "<A HREF=\"http://x/?a=1&amp;b=&quot;&lt;2&gt;&quot;\">"
                  "表\\ソ&amp;&lt;b&gt;.url</A><BR><BR>\r\n" +
                  kFoot,
              driver::ReadFileBytes(vanished));
    EXPECT_EQ(std::string(kUpdatedHead) +
                  "<A HREF=\"http://new.example/\">New.url</A><BR>\r\n"
                  "<FONT SIZE=\"2\">追加: a&lt;b&gt; &amp; &quot;c&quot;</FONT><BR><BR>\r\n" +
                  kFoot,
              driver::ReadFileBytes(updated));

    // Both finished pages were handed to the page handler, in order, and nothing else was.
    ASSERT_TRUE(recorder.WaitForOpened(2, 10000));
    Sleep(200);
    const std::vector<std::string> opened = recorder.Opened();
    ASSERT_EQ(2u, opened.size());
    EXPECT_EQ(0, lstrcmpiA(vanished.c_str(), opened[0].c_str())) << opened[0];
    EXPECT_EQ(0, lstrcmpiA(updated.c_str(), opened[1].c_str())) << opened[1];
}

TEST(ShellRecorder, RecordsUrlsExactly) {
    ScratchFolder scratch;
    ShellRecorder recorder(scratch / "opened.log");
    ASSERT_TRUE(recorder.RecordUrls());
    const char url[] = "http://127.0.0.1/a?b=1&c=%41";
    ShellExecuteA(nullptr, nullptr, url, nullptr, nullptr, SW_SHOWNORMAL);
    ASSERT_TRUE(recorder.WaitForOpened(1, 10000));
    EXPECT_EQ(std::vector<std::string>{url}, recorder.Opened());
}

} // namespace
