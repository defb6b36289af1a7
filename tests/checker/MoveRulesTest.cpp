// A moved favorite: which moves are sure, and the shortcut text each update writes.
#include "favorites/ShortcutRewrite.h"
#include "run/MoveRules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct MoveCase {
    const char* oldUrl;
    std::vector<int> hops;
    const char* newAddress;
    bool completed;
    int finalStatus;
    MoveCheck check;
    const char* newUrl;
};

const std::string kLong = "https://b.example/" + std::string(1001, 'x');

const MoveCase kMoveCases[] = {
    {"http://a.example/page", {301}, "https://a.example/page", true, 200, MoveCheck::kSure,
     "https://a.example/page"},
    {"http://a.example/p#sec", {308, 301, 301}, "https://b.example/q", true, 204,
     MoveCheck::kSure, "https://b.example/q#sec"},
    {"http://a.example/p#sec", {301}, "https://b.example/q#new", true, 200, MoveCheck::kSure,
     "https://b.example/q#new"},
    {"http://a.example/", {301}, "https://b.example/", true, 200, MoveCheck::kSure,
     "https://b.example/"},
    {"http://a.example/page", {}, "", true, 200, MoveCheck::kNone, ""},
    {"http://a.example/page", {301}, "https://a.example/new", true, 302, MoveCheck::kTemporary,
     "https://a.example/new"},
    {"http://a.example/page", {301, 307}, "https://a.example/new", true, 200,
     MoveCheck::kTemporary, "https://a.example/new"},
    {"http://a.example/page", {301}, "https://a.example/new", true, 404, MoveCheck::kNotThere,
     "https://a.example/new"},
    {"http://a.example/page", {301}, "https://a.example/new", false, 0, MoveCheck::kNotThere,
     "https://a.example/new"},
    {"http://a.example/deep/page", {301}, "https://a.example/", true, 200, MoveCheck::kToTopPage,
     "https://a.example/"},
    {"http://a.example/x", {301}, "http://A.EXAMPLE/x#top", true, 200, MoveCheck::kSameAddress,
     "http://A.EXAMPLE/x#top"},
    {"http://a.example/x", {301}, kLong.c_str(), true, 200, MoveCheck::kTooLong, kLong.c_str()},
    {"http://a.example/x", {301}, "https://a.example/a\tb", true, 200, MoveCheck::kUnusable,
     "https://a.example/a\tb"},
    {"http://a.example/x", {301}, "https://a.example/\x95\x5c a", true, 200, MoveCheck::kSure,
     "https://a.example/\x95\x5c a"},
};

TEST(CheckMove, OnlyPermanentMovesToAWorkingDeepPageAreSure) {
    for (const MoveCase& c : kMoveCases) {
        std::string newUrl;
        EXPECT_EQ(c.check, CheckMove(c.oldUrl, c.hops, c.newAddress, c.completed, c.finalStatus,
                                     newUrl))
            << c.oldUrl << " -> " << c.newAddress;
        EXPECT_EQ(c.newUrl, newUrl) << c.oldUrl;
    }
}

TEST(SharedMoves, ThreeDifferentOldAddressesToOnePageAreShared) {
    const std::vector<bool> shared = SharedMoves({
        {"http://a/1", "https://login/"},
        {"http://a/2", "https://login/#x"},
        {"http://a/2#y", "https://login/"}, // the same old page again
        {"http://a/3", "https://n/3"},
        {"http://a/4", "https://n/3"},
    });
    EXPECT_EQ((std::vector<bool>{false, false, false, false, false}), shared);
    EXPECT_EQ((std::vector<bool>{true, true, true, false}),
              SharedMoves({{"http://a/1", "https://login/"},
                           {"http://a/2", "https://login/"},
                           {"http://a/5", "https://login/"},
                           {"http://a/3", "https://n/3"}}));
}

struct RewriteCase {
    const char* name;
    std::string bytes;
    ShortcutRewrite outcome;
    std::string result;
};

const std::string kOld = "http://o.example/a";
const std::string kNew = "https://n.example/a";

const RewriteCase kRewriteCases[] = {
    {"every line kept", "[DEFAULT]\r\nBASEURL=http://o.example/a\r\n[InternetShortcut]\r\n"
                        "URL=http://o.example/a\r\nIconFile=C:\\i.ico\r\nIconIndex=3\r\n"
                        "Modified=20F0B1\r\nHotKey=0\r\n[InternetShortcut.W]\r\n"
                        "URL=http://o.example/a\r\n[{0002}]\r\nProp3=19,2\r\n",
     ShortcutRewrite::kDone,
     "[DEFAULT]\r\nBASEURL=http://o.example/a\r\n[InternetShortcut]\r\nURL=https://n.example/a\r\n"
     "IconFile=C:\\i.ico\r\nIconIndex=3\r\nModified=20F0B1\r\nHotKey=0\r\n"
     "[InternetShortcut.W]\r\nURL=https://n.example/a\r\n[{0002}]\r\nProp3=19,2\r\n"},
    {"LF only, no end", "[internetshortcut]\nURL = http://o.example/a", ShortcutRewrite::kDone,
     "[internetshortcut]\nURL = https://n.example/a"},
    {"other Unicode address goes", "[InternetShortcut]\nURL=http://o.example/a\n"
                                   "[InternetShortcut.W]\nURL=http://o.example/+ZeU-\nX=1\n",
     ShortcutRewrite::kDone, "[InternetShortcut]\nURL=https://n.example/a\n[InternetShortcut.W]\nX=1\n"},
    {"CR only", "[InternetShortcut]\rURL=http://o.example/a\r", ShortcutRewrite::kOtherUrl, ""},
    {"two URL lines", "[InternetShortcut]\nURL=http://o.example/a\nurl=http://p/\n",
     ShortcutRewrite::kManyUrls, ""},
    {"no section", "URL=http://o.example/a\n", ShortcutRewrite::kNoSection, ""},
    {"URL in another section", "[Other]\nURL=http://o.example/a\n[InternetShortcut]\n",
     ShortcutRewrite::kNoSection, ""},
    {"changed since", "[InternetShortcut]\nURL=http://o.example/b\n", ShortcutRewrite::kOtherUrl, ""},
    {"URLX key", "[InternetShortcut]\nURLX=http://o.example/a\n", ShortcutRewrite::kOtherUrl, ""},
    {"UTF-16", std::string("\xFF\xFE[\0I\0", 6), ShortcutRewrite::kNotText, ""},
    {"long line", "[InternetShortcut]\nURL=http://o.example/a\nX=" + std::string(1 << 20, 'x'),
     ShortcutRewrite::kLongLine, ""},
};

TEST(RewriteShortcutUrl, ChangesTheUrlValueAloneOrNothing) {
    for (const RewriteCase& c : kRewriteCases) {
        std::string result = "left";
        EXPECT_EQ(c.outcome, RewriteShortcutUrl(c.bytes, kOld, kNew, result)) << c.name;
        EXPECT_EQ(c.result, result) << c.name;
    }
    std::string result;
    for (const std::string& bad : {std::string("https://n/\r\nX=1"), std::string(" https://n/"),
                                   std::string(1019, 'x')}) {
        EXPECT_EQ(ShortcutRewrite::kBadNewUrl,
                  RewriteShortcutUrl("[InternetShortcut]\nURL=http://o.example/a\n", kOld, bad,
                                     result));
    }
}

} // namespace
