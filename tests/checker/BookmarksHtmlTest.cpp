// The bookmarks HTML reader on exports as the browsers write them (the fuzz target's seeds) and
// on files that bend the format, read into the run's list through its writer; and the charset
// a file's head declares.
#include "favorites/BookmarksHtml.h"
#include "favorites/FavoritesList.h"

#include "ScratchFolder.h"
#include "WinDriver.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using Entries = std::vector<std::pair<std::string, std::string>>; // name and URL in the list

std::string Sample(const char* name) {
    std::ifstream file(driver::WindowsPath(std::string(BOOKMARK_SAMPLES "/") + name),
                       std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

bool CopyUtf8(const char* utf8, size_t length, char* out, size_t size) {
    const size_t count = length < size ? length : size - 1;
    std::memcpy(out, utf8, count);
    out[count] = '\0';
    return count == length;
}

struct HtmlCase {
    const char* what;
    std::string html;
    bool bookmarksFile;
    Entries entries;
};

std::string Repeated(const char* text, int times) {
    std::string repeated;
    while (times-- > 0) {
        repeated += text;
    }
    return repeated;
}

TEST(ReadBookmarksHtml, SamplesThroughTheWriter) {
    const std::string icon = "data:image/png;base64," + std::string(40000, 'Q');
    const HtmlCase cases[] = {
        {"Chrome",
         Sample("chrome-export"),
         true,
         {{u8"ブックマーク バー\\例のサイト", "https://www.example.jp/"},
          {u8"ブックマーク バー\\ニュース\\ニュース & 天気",
           "https://news.example.jp/list?cat=1&page=2"},
          {u8"ブックマーク バー\\ニュース\\ニュース & 天気",
           "https://news.example.jp/list?cat=1&page=2"},
          {u8"ブックマーク バー\\メモ 📝",
           "javascript:(function(){alert(\"%E3%81%93%E3%82%93\");})();"},
          {u8"その他のブックマーク\\<script> & 'quotes'", "https://example.com/a?b=<c>"}}},
        {"Firefox",
         Sample("firefox-export"),
         true,
         {{u8"はじめに", "https://www.example.org/ja/start/"},
          {u8"旅行\\京都の宿 🏯", "https://travel.example.jp/kyoto"},
          {u8"ブックマークツールバー\\検索", "https://search.example.jp/?q=%s"},
          {u8"ブックマークツールバー\\検索", "https://search.example.jp/?q=%s"},
          {u8"他のブックマーク\\あとで読む",
           "javascript:void(location.href='https://read.example.jp/add?u='+"
           "encodeURIComponent(location.href))"}}},
        {"entities, blanks, tags in titles",
         Sample("entities"),
         true,
         {{u8"<>\"'' –😀&&bogus;",
           "http://a.example/?x=1&y=2%C2%A9&unknown;%EF%BF%BD%EF%BF%BD%EF%BF%BD%EF%BF%BDAA"},
          {"many blanks and line ends", "single"},
          {"tags inside dropped", "bare"}}},
        {"no closing tags, a tag cut off at the end",
         Sample("no-closing-tags"),
         true,
         {{"folder\\one", "http://one.example/"},
          {"folder\\two", "http://two.example/"},
          {"folder\\three in the same folder", "http://three.example/"},
          {"four", "http://four.example/"}}},
        {"any case, a large icon, controls, an extra </DL>",
         "<dl><Dt><a ICON=\"" + icon +
             "\" HrEf = 'http://icon.example/'>&#1;a&#x7F;b\x01"
             "c&#0;</A></dL></DL><DT><A HREF=y>after",
         true,
         {{u8"a b c\uFFFD", "http://icon.example/"}, {"after", "y"}}},
        {"a list without a heading belongs to the folder it stands in",
         "<DL><DT><H3>empty</H3><DT><A HREF=z>sibling</A><DL><DT><A HREF=w>same</A></DL></DL>",
         true,
         {{"sibling", "z"}, {"same", "w"}}},
        {"100,000 lists deep",
         Repeated("<DL><p>", 100000) + "<DT><A HREF=x>deep",
         true,
         {{"deep", "x"}}},
        {"a bookmarks file without bookmarks",
         "\xEF\xBB\xBF<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n</DL><p>",
         true,
         {}},
        {"a web page", "<html><body><a href=\"x\">x</a></body></html>", false, {}},
        {"binary", std::string("\0\xFF<\x01<a href\0\"<DL", 16), false, {}},
    };
    driver::ScratchFolder scratch;
    for (const HtmlCase& c : cases) {
        std::vector<char> text(c.html.begin(), c.html.end());
        text.push_back('\0');
        BookmarkTree tree;
        EXPECT_EQ(c.bookmarksFile,
                  ReadBookmarksHtml(text.data(), c.html.size(), tree).bookmarksFile)
            << c.what;
        FILE* list = std::fopen((scratch / "list.tmp").c_str(), "w+");
        ASSERT_NE(nullptr, list);
        EXPECT_FALSE(WriteBookmarks(tree, "0badcafe", CopyUtf8, list, [] { return true; }).failed);
        std::rewind(list);
        Entries entries;
        ListEntry entry;
        while (ReadListEntry(list, entry)) {
            entries.emplace_back(entry.name, entry.url);
        }
        std::fclose(list);
        EXPECT_EQ(c.entries, entries) << c.what;
    }
}

struct CharsetCase {
    std::string head;
    const char* charset;
    unsigned codePage;
};

TEST(DeclaredCharset, NamesAndCodePages) {
    const CharsetCase cases[] = {
        {Sample("chrome-export"), "UTF-8", 65001},
        {"<meta charset=\"Shift_JIS\">", "Shift_JIS", 932},
        {"<META http-equiv=content-type content='text/html;charset=euc-jp'>", "euc-jp", 20932},
        {"<meta content=\"text/html; Charset = 'ISO-2022-JP'\" http-equiv=\"Content-Type\">",
         "ISO-2022-JP", 50220},
        {"<!-- <meta charset=\"utf-8\"> --><meta charset=' windows-31j '>", "windows-31j", 932},
        {"\xEF\xBB\xBF<meta charset=US-ASCII>", "US-ASCII", 1252},
        {"<meta http-equiv=\"Content-Security-Policy\" content=\"charset=utf-8\">", "", 0},
        {std::string(5000, ' ') + "<meta charset=utf-8>", "", 0}, // beyond the head
        {"<meta charset=\"klingon\">", "klingon", 0},
    };
    for (const CharsetCase& c : cases) {
        const TextSpan charset = DeclaredCharset(c.head.c_str(), c.head.size());
        EXPECT_EQ(c.charset, std::string(charset.data ? charset.data : "", charset.length))
            << c.head.substr(0, 60);
        EXPECT_EQ(c.codePage, CodePageForCharset(charset)) << c.charset;
    }
}

} // namespace
