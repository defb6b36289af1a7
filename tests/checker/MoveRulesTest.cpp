// A moved favorite: which moves are sure, and the shortcut text each update writes. (Which new
// addresses are shared is checked against a count of its own by the fuzz target.)
#include "favorites/ShortcutRewrite.h"
#include "run/MoveRules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct MoveCase {
    const char* oldUrl;
    std::vector<int> hops;
    std::string newAddress;
    int finalStatus; // 0: no answer
    MoveCheck check;
};

// ソ is 0x83 0x5C: its trail byte is a backslash.
const MoveCase kMoveCases[] = {
    {"http://a/page", {301}, "https://a/page", 200, MoveCheck::kSure},
    {"http://a/p", {308, 301, 301}, "https://b/q", 204, MoveCheck::kSure},
    {"http://a/", {301}, "https://b/", 200, MoveCheck::kSure},
    {"http://a/x", {301}, "https://a/ソ a", 200, MoveCheck::kSure},
    {"http://a/page", {}, "", 200, MoveCheck::kNone},
    {"http://a/page", {301}, "https://a/new", 302, MoveCheck::kTemporary},
    {"http://a/page", {301, 307}, "https://a/new", 200, MoveCheck::kTemporary},
    {"http://a/page", {301}, "https://a/new", 404, MoveCheck::kNotThere},
    {"http://a/page", {301}, "https://a/new", 0, MoveCheck::kNotThere},
    {"http://a/deep/page", {301}, "https://a/", 200, MoveCheck::kToTopPage},
    {"http://a/x", {301}, "http://A/x#top", 200, MoveCheck::kSameAddress},
    {"http://a/x", {301}, "https://b/" + std::string(1010, 'x'), 200, MoveCheck::kTooLong},
    {"http://a/x", {301}, "https://a/a\tb", 200, MoveCheck::kUnusable},
};

TEST(CheckMove, OnlyPermanentMovesToAWorkingDeepPageAreSure) {
    for (const MoveCase& c : kMoveCases) {
        std::string newUrl;
        EXPECT_EQ(c.check, CheckMove(c.oldUrl, c.hops, c.newAddress.c_str(), c.finalStatus != 0,
                                     c.finalStatus, newUrl))
            << c.oldUrl << " -> " << c.newAddress;
        EXPECT_EQ(c.newAddress, newUrl);
    }
    // The place on the page is kept, unless the new address names its own.
    std::string newUrl;
    CheckMove("http://a/p#sec", {301}, "https://b/q", true, 200, newUrl);
    EXPECT_EQ("https://b/q#sec", newUrl);
    CheckMove("http://a/p#sec", {301}, "https://b/q#new", true, 200, newUrl);
    EXPECT_EQ("https://b/q#new", newUrl);
}

struct RewriteCase {
    std::string bytes;
    ShortcutRewrite outcome;
    std::string result;
};

const RewriteCase kRewriteCases[] = {
    {"[internetshortcut]\nURL = http://o/a", ShortcutRewrite::kDone,
     "[internetshortcut]\nURL = https://n/a"},
    // A Unicode copy of another address would still send the user there.
    {"[InternetShortcut]\nURL=http://o/a\n[InternetShortcut.W]\nURL=http://o/+ZeU-\nX=1\n",
     ShortcutRewrite::kDone, "[InternetShortcut]\nURL=https://n/a\n[InternetShortcut.W]\nX=1\n"},
    {"[InternetShortcut]\rURL=http://o/a\r", ShortcutRewrite::kOtherUrl, ""},
    {"[InternetShortcut]\nURL=http://o/a\nurl=http://p/\n", ShortcutRewrite::kManyUrls, ""},
    {"URL=http://o/a\n", ShortcutRewrite::kNoSection, ""},
    {"[Other]\nURL=http://o/a\n[InternetShortcut]\n", ShortcutRewrite::kNoSection, ""},
    {"[InternetShortcut]\nURL=http://o/b\n", ShortcutRewrite::kOtherUrl, ""},
    {"[InternetShortcut]\nURLX=http://o/a\n", ShortcutRewrite::kOtherUrl, ""},
    {std::string("\xFF\xFE[\0I\0", 6), ShortcutRewrite::kNotText, ""},
    {"[InternetShortcut]\nURL=http://o/a\nX=" + std::string(1 << 20, 'x'),
     ShortcutRewrite::kLongLine, ""},
};

TEST(RewriteShortcutUrl, ChangesTheUrlValueAloneOrNothing) {
    for (const RewriteCase& c : kRewriteCases) {
        std::string result = "left";
        EXPECT_EQ(c.outcome, RewriteShortcutUrl(c.bytes, "http://o/a", "https://n/a", result))
            << c.bytes.substr(0, 60);
        EXPECT_EQ(c.result, result);
    }
    // What the reader would not give back whole.
    std::string result;
    const std::string kBadUrls[] = {"https://n/\r\nX=1", " https://n/", "https://n/\x83",
                                    std::string(1019, 'x')};
    for (const std::string& bad : kBadUrls) {
        EXPECT_EQ(
            ShortcutRewrite::kBadNewUrl,
            RewriteShortcutUrl("[InternetShortcut]\nURL=http://o/a\n", "http://o/a", bad, result));
    }
}

} // namespace
