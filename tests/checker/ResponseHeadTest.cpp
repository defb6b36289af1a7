// Response-head parser: what servers really send, and the odd blocks a probe can receive. Every
// case starts from a head filled with an earlier response's values, so that a field the block
// says nothing about is seen to keep them.
#include "probe/ResponseHead.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

ResponseHead EarlierHead() {
    ResponseHead head{};
    std::strcpy(head.version, "old-version");
    std::strcpy(head.reason, "old reason");
    std::strcpy(head.contentType, "old/type");
    head.statusCode = 777;
    head.contentLength = 4242;
    return head;
}

struct HeadCase {
    const char* name;
    const char* block;
    bool statusFound;
    const char* version;
    int statusCode;
    const char* reason;
    const char* contentType;
    int contentLength;
    const char* pageText; // where the page text begins, up to the end of the block
};

// One case a row, as a table.
// clang-format off
const HeadCase kHeadCases[] = {
    {"plain 1.1 head", "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 12\r\n\r\n<html></html>",
     true, "HTTP/1.1", 200, "OK", "text/html", 12, "<html></html>"},
    {"lower case status line", "http/1.0 404 not found\r\n\r\n<p>gone</p>\n",
     true, "http/1.0", 404, "not found", "", 0, "<p>gone</p>\n"},
    {"two blanks after the version", "HTTP/1.0  200 OK\r\n\r\n<x>\n",
     true, "HTTP/1.0", 777, "200 OK", "", 0, "<x>\n"},
    {"no reason phrase", "HTTP/1.0 200\r\n\r\n<x>\n",
     true, "HTTP/1.0", 200, "", "", 0, "<x>\n"},
    {"status line without a space", "HTTP/1.0\r\n\r\n<x>\n",
     true, "HTTP/1.0", 777, "", "", 0, "<x>\n"},
    {"code that is not a number", "HTTP/1.0 abc Odd\r\n\r\n<x>\n",
     true, "HTTP/1.0", 777, "Odd", "", 0, "<x>\n"},
    {"stray empty line first", "\r\nHTTP/1.0 302 Found\r\nLocation: /x\r\n\r\n<a>\n",
     true, "HTTP/1.0", 302, "Found", "", 0, "<a>\n"},
    {"value after the first blank, not the colon",
     "HTTP/1.0 200 OK\r\nContent-Type:text/html; charset=x\r\n\r\n<x>\n",
     true, "HTTP/1.0", 200, "OK", "charset=x", 0, "<x>\n"},
    {"header names in any case", "HTTP/1.0 200 OK\r\nCONTENT-length: 1234\r\ncontent-TYPE: a/b\r\n\r\n",
     true, "HTTP/1.0", 200, "OK", "a/b", 1234, ""},
    {"header without any blank", "HTTP/1.0 200 OK\r\nContent-Length:55\r\nContent-Type:x\r\n\r\n<x>",
     true, "HTTP/1.0", 200, "OK", "", 4242, "<x>"},
    {"indented or spaced names do not match",
     "HTTP/1.0 200 OK\r\n Content-Length: 5\r\nContent-Type : a/b\r\n\r\n<x>\n",
     true, "HTTP/1.0", 200, "OK", "", 0, "<x>\n"},
    {"block ends inside the head", "HTTP/1.0 200 OK\r\nServer: x\r\nX-Long: y",
     true, "HTTP/1.0", 200, "OK", "old/type", 4242, ""},
    {"status line without LF at the end", "HTTP/1.0 200 OK",
     false, "old-version", 777, "old reason", "old/type", 4242, nullptr},
    {"no status line at all", "<html>hello</html>\n",
     false, "old-version", 777, "old reason", "old/type", 4242, nullptr},
    {"empty block", "", false, "old-version", 777, "old reason", "old/type", 4242, nullptr},
    {"text between blank line and '<' is not page text",
     "HTTP/1.0 200 OK\r\n\r\nnoise\r\n<html>\n", true, "HTTP/1.0", 200, "OK", "", 0, "<html>\n"},
    {"CR CR LF line ends", "HTTP/1.0 200 OK\r\r\nContent-Length: 7\r\r\n\r\r\n<x>\n",
     true, "HTTP/1.0", 200, "OK", "", 7, "<x>\n"},
    {"header in the body before the first '<' line",
     "HTTP/1.0 200 OK\r\n\r\nContent-Length: 99\r\n<x>\n", true, "HTTP/1.0", 200, "OK", "", 99,
     "<x>\n"},
    {"'<' inside the head starts the page text",
     "HTTP/1.0 200 OK\r\nX-A: <b>\r\n\r\nbody", true, "HTTP/1.0", 200, "OK", "old/type", 4242,
     "<b>\r\n\r\nbody"},
    {"huge length", "HTTP/1.0 200 OK\r\nContent-Length: 99999999999\r\n\r\n",
     true, "HTTP/1.0", 200, "OK", "old/type", 2147483647, ""},
    {"negative length", "HTTP/1.0 200 OK\r\nContent-Length: -5\r\n\r\n",
     true, "HTTP/1.0", 200, "OK", "old/type", -5, ""},
};
// clang-format on

TEST(ParseResponseHead, Cases) {
    for (const HeadCase& c : kHeadCases) {
        SCOPED_TRACE(c.name);
        ResponseHead head = EarlierHead();
        const char* page = ParseResponseHead(c.block, head);
        if (c.statusFound) {
            ASSERT_NE(nullptr, page);
            EXPECT_STREQ(c.pageText, page);
        } else {
            EXPECT_EQ(nullptr, page);
        }
        EXPECT_STREQ(c.version, head.version);
        EXPECT_EQ(c.statusCode, head.statusCode);
        EXPECT_STREQ(c.reason, head.reason);
        EXPECT_STREQ(c.contentType, head.contentType);
        EXPECT_EQ(c.contentLength, head.contentLength);
    }
}

TEST(ParseResponseHead, LongTextsAreCutTo79Bytes) {
    const std::string reason(300, 'r');
    const std::string type(300, 't');
    const std::string block = "HTTP/1.0 500 " + reason + "\r\nContent-Type: " + type + "\r\n\r\n<";
    ResponseHead head = EarlierHead();
    ASSERT_NE(nullptr, ParseResponseHead(block.c_str(), head));
    EXPECT_EQ(std::string(79, 'r'), head.reason);
    EXPECT_EQ(std::string(79, 't'), head.contentType);
    EXPECT_EQ(500, head.statusCode);

    // A reason in Japanese is cut before a character, never inside one.
    std::string japanese = "HTTP/1.0 404 ";
    for (int i = 0; i < 60; ++i) {
        japanese += "見";
    }
    japanese += "\r\n\r\n";
    ASSERT_NE(nullptr, ParseResponseHead(japanese.c_str(), head));
    EXPECT_EQ(78u, std::strlen(head.reason));
}

TEST(ReadHeadLine, RemovesEveryKindOfLineEnd) {
    struct {
        const char* text;
        const char* line;
        const char* rest;
    } cases[] = {
        {"abc\nrest", "abc", "rest"},
        {"abc\r\nrest", "abc", "rest"},
        {"abc\r\r\nrest", "abc", "rest"},
        {"ab\rX\nrest", "ab", "rest"}, // a CR two places before the LF cuts the line
        {"\n", "", ""},
        {"\r\n", "", ""},
        {"\r\r\n", "", ""},
    };
    char line[kHeadLineSize];
    for (const auto& c : cases) {
        const char* rest = ReadHeadLine(c.text, line);
        ASSERT_NE(nullptr, rest) << c.text;
        EXPECT_STREQ(c.line, line);
        EXPECT_STREQ(c.rest, rest);
    }
    EXPECT_EQ(nullptr, ReadHeadLine("no line end", line));
    EXPECT_EQ(nullptr, ReadHeadLine("", line));

    // A line longer than the area is cut, never overrun.
    const std::string longLine = std::string(3000, 'x') + "\n";
    ASSERT_NE(nullptr, ReadHeadLine(longLine.c_str(), line));
    EXPECT_EQ(static_cast<size_t>(kHeadLineSize - 1), std::strlen(line));
}

} // namespace
