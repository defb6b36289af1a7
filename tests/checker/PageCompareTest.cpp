// Pages compared as a reader sees them: the readable text of HTML by the tokenizer's rules, the
// first change and the words around it, the charsets of Japanese pages, and whole copies on disk
// with the report's line, bad pages among them. Literals without u8 are code page 932, as the
// program's own texts.
#include <windows.h>

#include "favorites/PageCharset.h"
#include "favorites/PageCompare.h"
#include "favorites/PageDiff.h"
#include "favorites/PageText.h"

#include "PageTextInPieces.h"
#include "ScratchFolder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(PageText, WhatAReaderSees) {
    const struct {
        const char* page;
        const char* text;
        const char* title;
    } cases[] = {
        {"<title>A &amp; B</title><p>x</p>", "A & B x", "A & B"},
        {"<p>one</p>\r\n\r\n   <p>two</p><li>three<br>four", "one two three four", ""},
        {"a<b>b</b><span>c</span>", "abc", ""},
        {"a\r\nb\rc\td\fe &nbsp;&nbsp;f\xC2\xA0g", "a b c d e f g", ""},
        {"<script>if (a<b) s=\"</div>\";</script>x", "x", ""},
        {"<script>s=\"</script>\";</script>x", "\";x", ""}, // a string does not hide it
        {"<script><!--<script>x</script>y</script>z-->w</script>v", "z-->wv", ""},
        {"<SCRIPT type=a>x</Script >y<script/>z</script>w", "yw", ""},
        {"<!-- c -->a<!-->b<!--->c<!-- x --!>d<!-- open", "abcd", ""},
        {"<style>p{}</style><template><p>t</p></template><noscript>n</noscript>x", "x", ""},
        {"<iframe>i</iframe><noembed>e</noembed><noframes>f</noframes>x", "x", ""},
        {"<svg><title>icon</title><![CDATA[</svg>]]></svg>a<math>m</math>b<svg><p>c", "ab c", ""},
        {"<textarea>a<b>&lt;</textarea><xmp><i>&amp;</i></xmp>", "a<b>< <i>&amp;</i>", ""},
        {"<title>open <b>title", "open <b>title", "open <b>title"},
        {"&#12354;&#x3042;&copy;&notit;&unknown;&amp", u8"ああ©¬it;&unknown;&", ""},
        {"&#99999999;&#xD800;&#0;&#x80;&#;&", u8"���€&#;&", ""},
        {"<a href=\"x>y\" title='z>w' data=a>b</a><input value=tok>", "b", ""},
        {"<!DOCTYPE html PUBLIC \"a>b\">c</ >d<?php x ?>e", "b\">cde", ""},
        {"1 < 2 and 3 <4 </", "1 < 2 and 3 <4 </", ""},
        {"<plaintext><b>all</b></plaintext>", "<b>all</b></plaintext>", ""},
        {"\x82\xA0<p>\x82\x3C</p>", "\x82\xA0 \x82<", ""}, // bytes cut mid-character
    };
    for (const auto& c : cases) {
        std::string title;
        EXPECT_EQ(c.text, ReadableInPieces(c.page, std::string(c.page).size() + 1, &title)) << c.page;
        EXPECT_EQ(c.title, title) << c.page;
        EXPECT_EQ(c.text, ReadableInPieces(c.page, 1)) << "byte by byte: " << c.page;
    }
}

class Pieces final : public TextSource {
public:
    explicit Pieces(const std::string& text) : text_(text) {}
    bool Next(std::string& out) override {
        if (at_ >= text_.size()) {
            return false;
        }
        out.append(text_, at_, 5);
        at_ += 5;
        return true;
    }

private:
    std::string text_;
    size_t at_ = 0;
};

// The quote as the report shows it: "…" where its text goes on.
std::string Quoted(const TextChange& change) {
    const char* kind = change.kind == ChangeKind::kSame    ? "same"
                       : change.kind == ChangeKind::kAdded ? "added"
                                                           : "removed";
    return std::string(kind) + ": " + (change.cutBefore ? "<" : "") + change.quote +
           (change.cutAfter ? ">" : "");
}

TEST(CompareTexts, TheFirstChangeWithTheWordsAroundIt) {
    const std::string longer(200, 'x');
    const struct {
        const char* before;
        std::string after;
        unsigned codePage;
        QuoteStyle style;
        const char* quoted;
    } cases[] = {
        {"same text", "same text", 65001, QuoteStyle::kWords, "same: "},
        {"The meeting is on Tuesday at the town hall.",
         "The meeting is on Wednesday at the town hall.", 65001, QuoteStyle::kWords,
         "added: The meeting is on Wednesday at the town hall."},
        {"the very old house stood there", "the house stood there", 65001, QuoteStyle::kWords,
         "removed: <very old>"},
        {"price 1,200 yen", "price 1,500 yen", 65001, QuoteStyle::kWords, "added: price 1,500 yen"},
        {"", "new text", 65001, QuoteStyle::kWords, "added: new text"},
        {"old text", "", 65001, QuoteStyle::kWords, "removed: old text"},
        {"a b c d e f g h i j k l m n o p q r s t u v w x y z",
         "a b c d e f g h i j k l m n o p q r s t u v w x y z " + longer, 65001, QuoteStyle::kWords,
         ""},
        {"本日は晴れです。明日は雨です。", "本日は曇りです。明日は雨です。", 932,
         QuoteStyle::kWords, "added: 本日は曇りです。明日は雨です。"},
        {u8"本日は晴れ", u8"本日は雨", 65001, QuoteStyle::kWords, u8"added: 本日は雨"},
        {"first\nsecond line\nthird\n", "first\nsecond LINE\nthird\n", 65001, QuoteStyle::kLine,
         "added: second LINE"},
        {"one\ntwo\n", "one\ntwo\nthree\n", 65001, QuoteStyle::kLine, "added: three"},
        {"one\ntwo\nthree\n", "one\nthree\n", 65001, QuoteStyle::kLine, "removed: two"},
    };
    for (const auto& c : cases) {
        Pieces before(c.before);
        Pieces after(c.after);
        const TextChange change = CompareTexts(before, after, c.codePage, c.style);
        const std::string quoted = Quoted(change);
        if (*c.quoted) {
            EXPECT_EQ(c.quoted, quoted) << c.before;
        } else {
            // A long addition: a few words before it, and about 80 characters in all.
            EXPECT_EQ(0u, quoted.find("added: <o p q r s t u v w x y z xxx")) << quoted;
            EXPECT_EQ('>', quoted.back());
            EXPECT_LE(change.quote.size(), kQuoteCharacters);
        }
    }
}

TEST(PageCharset, KindsAndCharsets) {
    const struct {
        const char* type;
        std::string head;
        PageKind kind;
        unsigned codePage;
        std::string decoded;
    } cases[] = {
        {"text/html; charset=Shift_JIS", "<p>\x96\x7B", PageKind::kHtml, 932, "<p>\x96\x7B"},
        {"TEXT/HTML", "<meta charset=\"euc-jp\"><p>\xCB\xDC\xC6\xFC", PageKind::kHtml, 932,
         "<meta charset=\"euc-jp\"><p>\x96\x7B\x93\xFA"},
        {"text/html; charset=ISO-2022-JP", "\x1B$B4A;z\x1B(B!", PageKind::kHtml, 932,
         "\x8A\xBF\x8E\x9A!"},
        {"", "\xEF\xBB\xBF<!DOCTYPE html>\xE6\x9C\xAC", PageKind::kHtml, 65001,
         "<!DOCTYPE html>\xE6\x9C\xAC"},
        {"", std::string("\xFF\xFE<\0p\0>\0\x2C\x67", 10), PageKind::kText, 65001,
         "<p>\xE6\x9C\xAC"},
        {"text/html; charset=x-unknown", "<p>\xE6\x9C\xAC", PageKind::kHtml, 65001,
         "<p>\xE6\x9C\xAC"},
        {"", "<p>\xCB\xDC\xC6\xFC </p>", PageKind::kHtml, 932, "<p>\x96\x7B\x93\xFA </p>"},
        {"", "<p>\x96\x7B\x93\xFA", PageKind::kHtml, 932, "<p>\x96\x7B\x93\xFA"},
        {"text/plain; charset=windows-1252", "caf\xE9", PageKind::kText, 1252, "caf\xE9"},
        {"image/png", std::string("\x89PNG\0", 5), PageKind::kBinary, 932,
         std::string("\x89PNG\0", 5)},
        {"", std::string("GIF89a\0\x01", 8), PageKind::kBinary, 65001,
         std::string("GIF89a\0\x01", 8)},
    };
    for (const auto& c : cases) {
        const PageKind kind = KindOfPage(c.type, c.head.data(), c.head.size());
        EXPECT_EQ(c.kind, kind) << c.head;
        const PageCharset charset =
            ChoosePageCharset(c.type, kind == PageKind::kHtml, c.head.data(), c.head.size());
        EXPECT_EQ(c.codePage, charset.codePage) << c.head;
        PageDecoder decoder(charset);
        std::string decoded;
        for (char byte : c.head) {
            decoder.Feed(&byte, 1, decoded);
        }
        decoder.Finish(decoded);
        EXPECT_EQ(c.decoded, decoded) << c.head;
    }
}

// Real pages' variations, real changes in four charsets, a text file and an image, and pages that
// are not what they say: each compared as files, with the report's line.
TEST(SamePage, CopiesOnDiskAndTheReportsLine) {
    std::string nested;
    for (int i = 0; i < 100000; ++i) {
        nested += "<div>";
    }
    const std::string image("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16);
    const struct {
        const char* name;
        const char* type;
        std::string stored; // "-": none; "/": a folder in its place
        std::string fresh;
        bool same;
        const char* note;
    } cases[] = {
        {"nonces, ids, comments, line ends", "text/html",
         "<html><head><title>T</title><script nonce=\"a1\">var id=\"r-1\";</script></head>\n"
         "<body><!-- 12 ms --><form><input type=hidden name=csrf value=x1></form><p>Text</p>",
         "<html>\r\n  <head>\r\n    <title>T</title>\r\n    <script nonce=\"b2\">var id=\"r-2\";"
         "</script>\r\n  </head>\r\n<body><!-- 13 ms --><form><input type=hidden name=csrf "
         "value=y2></form>\r\n    <p>Text</p>\r\n",
         true, ""},
        {"a copy an earlier version stored", "text/html", "<html>\r\n<p>Text &amp; more</p>\r\n",
         "\xEF\xBB\xBF\n<html>\n<p>Text &amp; more</p>\n", true, ""},
        {"references written otherwise", "text/html; charset=utf-8", u8"<p>A &amp; B &#12354;</p>",
         u8"<p>A &#38; B &#x3042;</p>", true, ""},
        {"a changed sentence", "text/html", "<p>The meeting is on Tuesday.</p>",
         "<p>The meeting is on Wednesday.</p>", false, "追加: The meeting is on Wednesday."},
        {"first seen", "text/html", "-", "<title>Harbour &amp; tides</title>", false,
         "タイトル: Harbour & tides"},
        {"Shift_JIS", "text/html; charset=Shift_JIS", "<p>本日は晴れです。</p>",
         "<p>本日は雨です。</p>", false, "追加: 本日は雨です。"},
        {"EUC-JP by its meta", "text/html",
         "<meta charset=EUC-JP><p>\xCB\xDC\xC6\xFC\xA4\xCF\xC0\xB2\xA4\xEC\xA4\xC7\xA4\xB9\xA1\xA3",
         "<meta charset=EUC-JP><p>\xCB\xDC\xC6\xFC\xA4\xCF\xB1\xAB\xA4\xC7\xA4\xB9\xA1\xA3", false,
         "追加: 本日は雨です。"},
        {"ISO-2022-JP", "text/html; charset=iso-2022-jp", "<p>\x1B$BK\\F|$O@2$l$G$9!#\x1B(B</p>",
         "<p>\x1B$BK\\F|$O1+$G$9!#\x1B(B</p>", false, "追加: 本日は雨です。"},
        {"UTF-16 with its mark", "text/html", std::string("\xFF\xFE<\0p\0>\0\xE4\x53\x44\x30", 12),
         std::string("\xFF\xFE<\0p\0>\0\xB0\x65\x57\x30\x44\x30", 14), false, "追加: 新しい"},
        {"a character 932 lacks", "text/html", u8"<p>cafe</p>", u8"<p>café ☃</p>", false,
         "追加: caf? ?"},
        {"a text file gained a line", "text/plain", "one\r\ntwo\r\n", "one\r\ntwo\r\nthree\r\n",
         false, "追加: three"},
        {"the same image", "image/png", image, image, true, ""},
        {"another image", "image/png", image, image + "x", false,
         "内容が変わりました（image/png）。"},
        {"binary sent as HTML", "text/html", std::string("\0\x01<\x02", 4),
         std::string("\0\x01<\x03", 4), false, "追加: "},
        {"an unclosed script first", "text/html", "<script>var a=1; <p>x", "<script>var a=2; <p>y",
         true, ""},
        {"an unclosed comment first", "", "<!-- a <p>x", "<!-- b <p>y", true, ""},
        {"a title without its end", "text/html", "<title>Old", "<title>New", false, "追加: New"},
        {"broken references", "text/html", "&#99999999;&#xD800;&unknown;",
         "&#99999998;&#xDBFF;&unknown;", true, ""},
        {"an unknown charset", "text/html; charset=x-none", u8"<p>古い", u8"<p>新しい", false,
         "追加: 新しい"},
        {"Shift_JIS cut mid-character", "text/html; charset=Shift_JIS", "<p>abc", "<p>abc\x82",
         false, "追加: abc"},
        {"a stored copy that cannot be read", "text/html", "/", "<title>T</title>", false,
         "タイトル: T"},
        {"nesting 100,000 deep", "text/html", nested + "x", nested + "y", false, "追加: y"},
    };
    driver::ScratchFolder scratch;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string stored = scratch / "page.htm";
        RemoveDirectoryA(stored.c_str());
        DeleteFileA(stored.c_str());
        if (c.stored == "/") {
            ASSERT_TRUE(scratch.MakeFolder("page.htm"));
        } else if (c.stored != "-") {
            ASSERT_TRUE(scratch.WriteFile("page.htm", c.stored));
        }
        ASSERT_TRUE(scratch.WriteFile("page.htm_", c.fresh));
        std::string note = "left from before";
        EXPECT_EQ(c.same, SamePage(stored.c_str(), (scratch / "page.htm_").c_str(), c.type, &note));
        EXPECT_EQ(0u, note.find(c.note)) << note;
        std::string shown = note;
        ShowableCp932(shown);
        EXPECT_EQ(shown, note) << "shown as it is in a page of code page 932";
    }
    RemoveDirectoryA((scratch / "page.htm").c_str());
}

} // namespace
