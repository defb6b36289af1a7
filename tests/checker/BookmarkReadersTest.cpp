// The bookmark readers: UTF-8 by the standard's rules, LZ4 blocks made by hand, the browsers'
// JSON (Chromium's key order, the top folders' names, URLs that are no text, cut, zeroed or deep
// files, escaped surrogates), Local State's profile names, and the list entries the writer makes
// of a table, converted to code page 932 by the system.
#include "favorites/Bookmarks.h"
#include "favorites/BookmarksJson.h"
#include "favorites/FavoritesList.h"
#include "favorites/MozLz4.h"
#include "text/AnsiText.h"
#include "text/Utf8.h"

#include "ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

// A literal's bytes, zero bytes included.
template <size_t N> std::string B(const char (&text)[N]) {
    return std::string(text, N - 1);
}

std::string Repeat(const std::string& text, size_t count) {
    std::string result;
    while (count--) {
        result += text;
    }
    return result;
}

constexpr char16_t R = kReplacementCharacter;

TEST(Utf8, ReadsByTheStandardsTables) {
    // clang-format off
    const struct {
        std::string bytes;
        std::u16string units;
        size_t room;
        bool whole;
    } cases[] = {
        {"a\x7F", {'a', 0x7F}, 8, true},
        {"\xC2\x80\xDF\xBF\xE3\x81\x82", {0x80, 0x7FF, 0x3042}, 8, true},
        {"\xC0\xAF", {R, R}, 8, true},                 // overlong '/'
        {"\xE0\x80\xAF", {R, R, R}, 8, true},          // overlong, three bytes
        {"\xF0\x80\x80\xAF", {R, R, R, R}, 8, true},   // overlong, four bytes
        {"\xED\x9F\xBF\xEE\x80\x80", {0xD7FF, 0xE000}, 8, true},
        {"\xED\xA0\x80\xED\xBF\xBF", {R, R, R, R, R, R}, 8, true}, // surrogates
        {"\xE3\x81", {R}, 8, true},                    // cut at the end
        {"\xE3\x81" "A", {R, 'A'}, 8, true},           // cut by the next character
        {"\xF0\x9F\x98", {R}, 8, true},
        {"\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF", {0xD83D, 0xDE00, 0xDBFF, 0xDFFF}, 8, true},
        {"\xF4\x90\x80\x80", {R, R, R, R}, 8, true},   // beyond U+10FFFF
        {"\x80\xBF\xF5\xFF", {R, R, R, R}, 8, true},
        // The standard's example of maximal subparts.
        {"\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64",
         {'a', R, R, R, 'b', R, 'c', R, R, 'd'}, 16, true},
        {"a\xF0\x9F\x98\x80", {'a'}, 2, false}, // never half a pair
        {"", {}, 0, true},
    };
    // clang-format on
    for (const auto& c : cases) {
        std::u16string out(c.room + 1, u'Z');
        bool whole = !c.whole;
        out.resize(Utf8ToUtf16(c.bytes.data(), c.bytes.size(), &out[0], c.room, &whole));
        EXPECT_EQ(c.units, out) << c.bytes;
        EXPECT_EQ(c.whole, whole) << c.bytes;
        if (c.whole && c.units.find(R) == std::u16string::npos) {
            std::string back(4 * out.size(), '\0');
            back.resize(Utf16ToUtf8(out.data(), out.size(), &back[0], back.size()));
            EXPECT_EQ(c.bytes, back);
        }
    }
    // A lone surrogate from another charset's conversion is written as the replacement.
    const std::u16string units = {0xDC00, 'A', 0xD83D, 0xDE00, 0xD800};
    std::string out(11, 'Z');
    out.resize(Utf16ToUtf8(units.data(), units.size(), &out[0], 10));
    EXPECT_EQ("\xEF\xBF\xBD"
              "A\xF0\x9F\x98\x80",
              out)
        << "cut before a whole character";
}

TEST(MozLz4, DecodesBlocksMadeByHand) {
    const std::string runs = "\xF0\xFF\x0A" + std::string(280, 'L');
    // clang-format off
    const struct {
        const char* what;
        std::string block;
        size_t size;
        bool read;
        std::string out;
    } cases[] = {
        {"literals only", B("\x50" "hello"), 5, true, "hello"},
        {"an empty block", B("\x00"), 0, true, ""},
        {"no block at all", "", 0, false, ""},
        {"overlapping match", B("\x13" "a\x01\x00\x50" "bcdef"), 13, true, "aaaaaaaabcdef"},
        {"distance 0", B("\x13" "a\x00\x00\x50" "bcdef"), 13, false, ""},
        {"match before the start", B("\x13" "a\x02\x00\x50" "bcdef"), 13, false, ""},
        {"match past the end", B("\x1F" "a\x01\x00\x10\x50" "bcdef"), 13, false, ""},
        // The format's end conditions are not asked for (LZ4's own decoder keeps them by its
        // input, and reads other blocks that break them).
        {"match into the last 5 bytes", B("\x14" "a\x01\x00\x40" "1234"), 13, true, "aaaaaaaaa1234"},
        {"match 11 bytes before the end", B("\x10" "a\x01\x00\x70" "1234567"), 12, true,
         "aaaaa1234567"},
        {"literal length in bytes of 255", runs, 280, true, std::string(280, 'L')},
        {"match length in bytes of 255", B("\x1F" "x\x01\x00\xFF\x00\x50" "yyyyy"), 280, true,
         std::string(275, 'x') + "yyyyy"},
        {"length cut short", B("\xF0\xFF"), 300, false, ""},
        {"literals past the input", B("\x50" "he"), 5, false, ""},
        {"announced size too large", B("\x50" "hello"), 6, false, ""},
        {"announced size too small", B("\x50" "hello"), 4, false, ""},
        {"written by LZ4 itself",
         B("\x7F\x7B\x22\x61\x22\x3A\x22\x78\x01\x00\x14\x4F\x22\x2C\x22\x62\x2F\x00\x15\x50"
           "\x78\x78\x78\x22\x7D"),
         95, true, "{\"a\":\"" + std::string(40, 'x') + "\",\"b\":\"" + std::string(40, 'x') + "\"}"},
    };
    // clang-format on
    for (const auto& c : cases) {
        std::vector<unsigned char> out(c.size + 1, 'Z');
        const auto* in = reinterpret_cast<const unsigned char*>(c.block.data());
        EXPECT_EQ(c.read, DecodeLz4Block(in, c.block.size(), out.data(), c.size)) << c.what;
        if (c.read) {
            EXPECT_EQ(c.out, std::string(out.begin(), out.begin() + c.size)) << c.what;
        }
        EXPECT_EQ('Z', out[c.size]) << c.what;
    }
    uint32_t size = 0;
    const std::string file = B("mozLz40\0\x5F\x01\x02\x80");
    const auto* bytes = reinterpret_cast<const unsigned char*>(file.data());
    EXPECT_TRUE(ReadMozLz4Header(bytes, file.size(), &size));
    EXPECT_EQ(0x8002015Fu, size);
    EXPECT_FALSE(ReadMozLz4Header(bytes, file.size() - 1, &size));
    EXPECT_FALSE(
        ReadMozLz4Header(reinterpret_cast<const unsigned char*>("mozLz41\0\0\0\0\0"), 12, &size));
}

using Reader = JsonReadResult (*)(char*, size_t, BookmarkTree&);

struct JsonCase {
    const char* what;
    std::string json;
    JsonProblem problem;
    std::vector<std::string> nodes; // kind, parent, name|url|key; "!" for a URL that is no text
};

void ExpectNodes(Reader read, const std::vector<JsonCase>& cases) {
    for (const JsonCase& c : cases) {
        std::vector<char> text(c.json.begin(), c.json.end());
        text.push_back('\0');
        BookmarkTree tree;
        const JsonReadResult result = read(text.data(), c.json.size(), tree);
        EXPECT_EQ(c.problem, result.problem) << c.what;
        EXPECT_LE(result.offset, c.json.size()) << c.what;
        std::vector<std::string> nodes;
        const auto show = [](TextSpan span) { return std::string(span.data, span.length); };
        for (const BookmarkNode& node : tree.nodes) {
            const char* kind = node.kind == BookmarkKind::kFolder ? "F"
                               : node.kind == BookmarkKind::kLink ? "L"
                                                                  : "-";
            nodes.push_back(kind + std::to_string(node.parent) + " " + show(node.name) + "|" +
                            (node.urlNotText ? "!" : show(node.url)) + "|" + show(node.key));
        }
        EXPECT_EQ(c.nodes, nodes) << c.what;
    }
}

std::string Roots(const std::string& children) {
    return u8R"({"roots":{"other":{"children":[)" + children + R"(],"name":"x","type":"folder"}}})";
}

TEST(BookmarksJson, ReadsChromiumsBookmarks) {
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    // clang-format off
    ExpectNodes(ReadChromiumBookmarks, {
        {"keys in Chromium's order, top folders without names",
         u8R"({"checksum":"0","roots":{"bookmark_bar":{"children":[{"children":[{"date_added":"1",
"guid":"g3","id":"3","meta_info":{"k":"v"},"name":"天気","type":"url","url":"http://a/"}],
"guid":"g2","id":"2","name":"毎日","type":"folder"}],"guid":"g1","id":"1","name":"","type":
"folder"},"other":{"children":[],"id":"4","name":"","type":"folder"},"synced":{"id":"5",
"name":"","type":"folder"}},"version":1})",
         JsonProblem::kNone,
         {u8"F-1 ブックマーク バー||g1", u8"F0 毎日||g2", u8"L1 天気|http://a/|g3",
          u8"F-1 その他のブックマーク||4", u8"F-1 モバイルのブックマーク||5"}},
        {"guid before or after id, id alone",
         Roots(R"({"id":"7","guid":"g7","name":"a","type":"url","url":"u"},
{"guid":"g8","id":"8","name":"b","type":"url","url":"u"},{"id":"9","name":"c","type":"url","url":"u"})"),
         JsonProblem::kNone, {"F-1 x||", "L0 a|u|g7", "L0 b|u|g8", "L0 c|u|9"}},
        {"a top folder's own name, an unknown one's key",
         u8R"({"roots":{"bookmark_bar":{"name":"お気に入りバー"},"workspace":{"name":"","type":"url"}}})",
         JsonProblem::kNone, {u8"F-1 お気に入りバー||", "F-1 workspace||"}},
        {"URLs that are no text, or none",
         Roots(R"({"name":"n","type":"url","url":5},{"name":"o","type":"url","url":{"a":"b"}},
{"name":"m","type":"url"},{"name":"e","type":"url","url":""},{"name":"s","type":"separator"})"),
         JsonProblem::kNone, {"F-1 x||", "L0 n|!|", "L0 o|!|", "L0 m|!|", "L0 e||", "-0 s||"}},
        {"escaped surrogates",
         Roots(R"({"name":"\ud800|\udc00|\ud83d\ude00|\\ud800|\ud800\ud83d\ude00","type":"url","url":"u"})"),
         JsonProblem::kNone,
         {"F-1 x||", u8"L0 \uFFFD|\uFFFD|😀|\\ud800|\uFFFD😀|u|"}},
        {"arrays 100,000 deep", R"({"roots":{"deep":)" + deep + R"(,"other":{"name":"x"}}})",
         JsonProblem::kNone, {"F-1 x||"}},
        {"unclosed arrays 100,000 deep", Roots(std::string(100000, '[')), JsonProblem::kNotJson,
         {}},
        {"cut short", Roots(R"({"name":"a","type":"url","url":"ht)"), JsonProblem::kNotJson, {}},
        {"a zero byte inside", B(R"({"roots":{"other":{"name":"a)" "\0" R"("}}})"),
         JsonProblem::kNotJson, {}},
        {"what a link holds", Roots(R"({"children":[{"name":"in","type":"url","url":"i"}],
"name":"out","type":"url","url":"o"})"), JsonProblem::kNone, {"F-1 x||", "L0 out|o|"}},
        {"no roots", R"({"version":1})", JsonProblem::kNoBookmarks, {}},
        {"roots no object", R"({"roots":[{"other":{}}]})", JsonProblem::kNoBookmarks, {}},
        {"no object", "[]", JsonProblem::kNoBookmarks, {}},
    });
    // clang-format on
    char text[] = "{\"roots\":{}}\0 "; // a zero byte after it: the file is more than that
    BookmarkTree tree;
    const JsonReadResult result = ReadChromiumBookmarks(text, sizeof text - 1, tree);
    EXPECT_EQ(JsonProblem::kNotJson, result.problem);
    EXPECT_EQ(12u, result.offset);
}

TEST(BookmarksJson, ReadsFirefoxBackups) {
    // clang-format off
    ExpectNodes(ReadFirefoxBookmarks, {
        {"top folders by guid",
         u8R"({"guid":"root________","title":"","type":"text/x-moz-place-container","children":[
{"guid":"menu________","title":"menu","type":"text/x-moz-place-container","children":[
{"guid":"f1","title":"menu","type":"text/x-moz-place-container"}]},
{"guid":"toolbar_____","title":"toolbar","type":"text/x-moz-place-container","children":[
{"guid":"p1","id":12,"title":"図書館","type":"text/x-moz-place","uri":"http://lib/"}]},
{"guid":"unfiled_____","title":"unfiled","type":"text/x-moz-place-container"},
{"guid":"mobile______","title":"mobile","type":"text/x-moz-place-container"}]})",
         JsonProblem::kNone,
         {u8"F-1 ブックマークメニュー||menu________", "F0 menu||f1",
          u8"F-1 ブックマークツールバー||toolbar_____", u8"L2 図書館|http://lib/|p1",
          u8"F-1 他のブックマーク||unfiled_____", u8"F-1 モバイルブックマーク||mobile______"}},
        {"queries kept, separators not listed",
         u8R"({"children":[{"guid":"unfiled_____","type":"text/x-moz-place-container","children":[
{"guid":"q","title":"最近","type":"text/x-moz-place","uri":"place:sort=8"},
{"guid":"s","type":"text/x-moz-place-separator"},{"id":5,"title":"a","type":"text/x-moz-place"}]}]})",
         JsonProblem::kNone,
         {u8"F-1 他のブックマーク||unfiled_____", u8"L0 最近|place:sort=8|q", "-0 ||s", "L0 a|!|"}},
        {"the tags root and its entries left out",
         u8R"({"guid":"root________","type":"text/x-moz-place-container","children":[
{"guid":"tags________","title":"tags","type":"text/x-moz-place-container","children":[
{"guid":"t1","title":"仕事","type":"text/x-moz-place-container","children":[
{"guid":"t2","type":"text/x-moz-place","uri":"http://a/"}]}]},
{"guid":"unfiled_____","type":"text/x-moz-place-container","children":[
{"guid":"p","title":"a","type":"text/x-moz-place","uri":"http://a/"}]}]})",
         JsonProblem::kNone, {u8"F-1 他のブックマーク||unfiled_____", "L0 a|http://a/|p"}},
        {"no root folder", "[]", JsonProblem::kNoBookmarks, {}},
        {"a root folder without children", R"({"title":"x","type":"text/x-moz-place-container"})",
         JsonProblem::kNoBookmarks, {}},
    });
    // clang-format on
}

TEST(BookmarksJson, ReadsProfileNames) {
    const std::string json = u8R"({"profile":{"info_cache":{"Default":{"avatar":"x","name":"仕事"},
"Profile 1":{"name":"家族"}},"last_used":"Default"},"other":{"info_cache":{"X":{"name":"no"}}}})";
    for (const std::string& text : {json, json.substr(0, 60)}) {
        std::string copy = text;
        std::vector<ProfileName> names;
        const JsonReadResult result = ReadChromiumProfileNames(&copy[0], copy.size(), names);
        std::vector<std::string> shown;
        for (const ProfileName& name : names) {
            shown.push_back(name.folder + "=" + name.name);
        }
        const bool whole = text == json;
        const std::vector<std::string> expected = {u8"Default=仕事", u8"Profile 1=家族"};
        EXPECT_EQ(whole ? JsonProblem::kNone : JsonProblem::kNotJson, result.problem);
        EXPECT_EQ(whole ? expected : std::vector<std::string>(), shown);
    }
}

// A table made by hand; its texts live in the nodes given.
struct Node {
    int parent;
    BookmarkKind kind;
    std::string name;
    std::string url = "";
    std::string key = "";
    bool urlNotText = false;
};

// The entries the writer puts into a list file for the nodes.
std::vector<ListEntry> Write(
    const std::vector<Node>& nodes, BookmarksWritten* written = nullptr,
    bool (*keepGoing)() = [] { return true; }) {
    driver::ScratchFolder scratch;
    const std::string path = scratch / "flist.tmp";
    FILE* list = std::fopen(path.c_str(), "w");
    BookmarkTree tree;
    for (const Node& n : nodes) {
        tree.nodes.push_back({n.parent,
                              n.kind,
                              {n.name.data(), n.name.size()},
                              {n.url.data(), n.url.size()},
                              {n.key.data(), n.key.size()},
                              n.urlNotText});
    }
    const BookmarksWritten result = WriteBookmarks(tree, "0badf00d", Utf8ToAnsi, list, keepGoing);
    std::fclose(list);
    std::vector<ListEntry> entries;
    list = std::fopen(path.c_str(), "r");
    for (ListEntry entry; ReadListEntry(list, entry);) {
        entries.push_back(entry);
    }
    std::fclose(list);
    if (written) {
        *written = result;
    }
    return entries;
}

std::vector<std::string> StoreNames(const std::vector<Node>& nodes) {
    std::vector<std::string> names;
    for (const ListEntry& entry : Write(nodes)) {
        names.push_back(entry.storeName);
    }
    return names;
}

constexpr BookmarkKind F = BookmarkKind::kFolder, L = BookmarkKind::kLink, O = BookmarkKind::kOther;

TEST(WriteBookmarks, NamesAndUrls) {
    const std::string longName = Repeat(u8"あ", 600);
    const std::string cutName = Repeat("あ", 510) + "…";
    const std::string longUrl = "http://a/" + std::string(2000, 'x');
    // clang-format off
    const struct {
        const char* what;
        std::vector<Node> nodes;
        std::vector<std::string> names, urls; // each entry's; a cut URL ends in "+"
        int broken;
    } cases[] = {
        {"folders joined",
         {{-1, F, u8"毎日"}, {0, F, u8"表"}, {1, L, u8"予報", "http://a/"}, {0, L, u8"駅", "http://b/"},
          {-1, O, "-"}, {-1, L, "top", "http://c/"}},
         {"毎日\\表\\予報", "毎日\\駅", "top"}, {"http://a/", "http://b/", "http://c/"}, 0},
        {"control characters as blanks",
         {{-1, F, "a\nb"}, {0, L, "c\td\x01" "e\x7F", "http://a/"}}, {"a b\\c d e "}, {"http://a/"}, 0},
        {"long names cut", {{-1, L, longName, "http://a/"}, {-1, F, longName}, {1, L, "x", "http://b/"}},
         {cutName, cutName}, {"http://a/", "http://b/"}, 0},
        {"URLs made plain",
         {{-1, L, "1", " \thttp://a/b\tc\r\nd \r\n"}, {-1, L, "2", u8"http://例.jp/パス?q=\x01\x7F"},
          {-1, L, "3", longUrl}},
         {"1", "2", "3"},
         {"http://a/bcd", "http://%E4%BE%8B.jp/%E3%83%91%E3%82%B9?q=%01%7F", longUrl.substr(0, 1023) + "+"},
         0},
        {"URLs that cannot be asked for",
         {{-1, L, "1", ""}, {-1, L, "2", " \t\r\n "}, {-1, L, "3", "http://a/", "", true}}, {}, {}, 3},
    };
    // clang-format on
    for (const auto& c : cases) {
        BookmarksWritten written;
        std::vector<std::string> names, urls;
        for (const ListEntry& entry : Write(c.nodes, &written)) {
            EXPECT_STREQ("", entry.file) << c.what;
            names.push_back(entry.name);
            urls.push_back(entry.url + std::string(entry.urlCut ? "+" : ""));
        }
        EXPECT_EQ(c.names, names) << c.what;
        EXPECT_EQ(c.urls, urls) << c.what;
        EXPECT_EQ(static_cast<int>(c.names.size()), written.links) << c.what;
        EXPECT_EQ(c.broken, written.broken) << c.what;
        EXPECT_FALSE(written.failed) << c.what;
    }
}

TEST(WriteBookmarks, StoreNamesApartAndLasting) {
    const std::vector<Node> nodes = {
        {-1, F, "x"},
        {0, L, "a", "http://a/", "g1"},
        {0, L, "a", "http://a/", "g1"}, // one guid twice
        {0, L, "b", "http://b/"},
        {0, L, "b", "http://b/"}, // no guid, same name and URL
        {0, L, "b", "http://b/", "g2"},
        {-1, L, "b", "http://b/"},
    };
    const std::vector<std::string> names = StoreNames(nodes);
    ASSERT_EQ(6u, names.size());
    EXPECT_EQ(6u, std::set<std::string>(names.begin(), names.end()).size());
    for (const std::string& name : names) {
        EXPECT_EQ(42u, name.size()) << name;
        EXPECT_EQ(0u, name.find("\\#bookmarks\\0badf00d\\")) << name;
        EXPECT_EQ(".htm", name.substr(38)) << name;
    }
    EXPECT_EQ(names, StoreNames(nodes)) << "the next run";
    const std::vector<Node> fewer(nodes.begin(), nodes.begin() + 4);
    EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 3), StoreNames(fewer));
    // A bookmark with a guid keeps its copy when it moves to another folder.
    EXPECT_EQ(names[0], StoreNames({{-1, F, "y"}, {0, L, "a2", "http://a/", "g1"}})[0]);

    BookmarksWritten written;
    EXPECT_TRUE(Write(std::vector<Node>(300, {-1, L, "a", "http://a/"}), &written, [] {
                    return false;
                }).size() < 256);
    EXPECT_TRUE(written.failed);

    char tag[9], same[9], other[9];
    BookmarkSourceTag("C:\\Users\\Taro\\Bookmarks", tag, sizeof tag);
    BookmarkSourceTag("c:\\users\\TARO\\bookmarks", same, sizeof same);
    BookmarkSourceTag("C:\\Users\\Hana\\Bookmarks", other, sizeof other);
    EXPECT_EQ(8u, std::strlen(tag));
    EXPECT_STREQ(tag, same);
    EXPECT_STRNE(tag, other);
}

} // namespace
