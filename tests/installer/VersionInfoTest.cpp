// Version resources: the one the resource compiler built into a peer, read back whole and cut
// short at every length; one of the 16-bit layout; and the rules that compare versions.
#include "copy/FileVersion.h"
#include "copy/VersionInfo.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WinDriver.h"

namespace {

constexpr VersionNumber k200 = 0x0002000000000000;
constexpr VersionNumber k231 = 0x0002000300010000;

TEST(VersionRules, ProductsAndFiles) {
    const struct {
        const VersionNumber* installed; // also the file there
        const VersionNumber* offered;
        ProductVerdict verdict;
        bool keepsThere;
    } cases[] = {
        {nullptr, &k231, ProductVerdict::kFresh, false},
        {&k231, nullptr, ProductVerdict::kFresh, false},
        {&k200, &k231, ProductVerdict::kUpgrade, false},
        {&k231, &k231, ProductVerdict::kRepair, false},
        {&k231, &k200, ProductVerdict::kOlder, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.verdict, CompareProduct(c.installed, c.offered));
        EXPECT_EQ(c.keepsThere, KeepsHigherVersion(c.offered, c.installed));
    }
    char text[32];
    FormatVersionNumber(k231, text, sizeof text);
    EXPECT_STREQ("2.3.1.0", text);
}

std::string Text(const VersionText& text) {
    char ansi[64];
    VersionTextToAnsi(text, ansi, sizeof ansi);
    return ansi;
}

TEST(ParseVersionResource, TheBuiltResourceWholeAndCutShort) {
    const std::string peer = driver::WindowsPath(PEER_FOLDER "/viewer_2_3_1.exe");
    DWORD ignored = 0;
    std::vector<unsigned char> data(GetFileVersionInfoSizeA(peer.c_str(), &ignored));
    ASSERT_FALSE(data.empty());
    ASSERT_TRUE(GetFileVersionInfoA(peer.c_str(), 0, static_cast<DWORD>(data.size()), data.data()));
    VersionResource whole;
    ASSERT_TRUE(ParseVersionResource(data.data(), data.size(), &whole));
    EXPECT_TRUE(whole.numbered);
    EXPECT_EQ(k231, whole.fileVersion);
    EXPECT_EQ(k231, whole.productVersion);
    EXPECT_EQ("サンプル工房", Text(whole.companyName));
    EXPECT_EQ("2.3.1", Text(whole.productVersionText));
    EXPECT_EQ("2.3.1.0", Text(whole.fileVersionText));
    // Cut anywhere: the header is there from 38 bytes (the key and its terminator), the fixed
    // part's versions from 64; a text is never more than the whole one's beginning.
    const size_t length = data[0] | data[1] << 8;
    for (size_t cut = 0; cut <= length; ++cut) {
        VersionResource part;
        EXPECT_EQ(cut >= 38, ParseVersionResource(data.data(), cut, &part)) << cut;
        EXPECT_EQ(cut >= 64, part.numbered) << cut;
        for (const auto* text : {&part.companyName, &part.productVersionText}) {
            const std::string& full = text == &part.companyName ? whole.companyName.bytes
                                                                : whole.productVersionText.bytes;
            EXPECT_EQ(0, full.compare(0, text->bytes.size(), text->bytes)) << cut;
        }
    }
    VersionResource none;
    EXPECT_FALSE(ParseVersionResource(reinterpret_cast<const unsigned char*>("MZ"), 2, &none));
}

// A 16-bit block: lengths, the key and its terminator, padding to four bytes, the value, the
// children (each padded).
std::string Pad(std::string bytes) {
    bytes.resize((bytes.size() + 3) & ~static_cast<size_t>(3), '\0');
    return bytes;
}
std::string Block16(const std::string& key, const std::string& value,
                    const std::string& children = "") {
    std::string block = Pad(std::string(4, '\0') + key + '\0') + value;
    block = children.empty() ? block : Pad(block) + children;
    block[0] = static_cast<char>(block.size() & 0xFF);
    block[1] = static_cast<char>(block.size() >> 8);
    block[2] = static_cast<char>(value.size());
    return block;
}

TEST(ParseVersionResource, TheSixteenBitLayout) {
    std::string fixed(52, '\0');
    const unsigned char head[] = {0xBD, 0x04, 0xEF, 0xFE, 0, 0, 1, 0, 3, 0, 2, 0, 0, 0, 1, 0};
    fixed.replace(0, sizeof head, reinterpret_cast<const char*>(head), sizeof head);
    const std::string strings = Pad(Block16("CompanyName", std::string(" \0", 2))) +
                                Block16("ProductVersion", std::string("2.3.1\0", 6));
    const std::string resource = Block16(
        "VS_VERSION_INFO", fixed, Block16("StringFileInfo", "", Block16("041103A4", "", strings)));
    VersionResource read;
    ASSERT_TRUE(ParseVersionResource(reinterpret_cast<const unsigned char*>(resource.data()),
                                     resource.size(), &read));
    EXPECT_EQ(0x0002000300010000u, read.fileVersion);
    EXPECT_FALSE(read.companyName.wide);
    EXPECT_EQ("", Text(read.companyName)) << "a blank publisher is none";
    EXPECT_EQ("2.3.1", Text(read.productVersionText));
}

} // namespace
