// Test main shared by every test program: the programs work on code page 932 text, so a wrong
// locale must fail loudly instead of garbling every Japanese text.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

TEST(Environment, AnsiCodePageIs932) {
    EXPECT_EQ(932u, GetACP()) << "run under LANG=ja_JP.UTF-8 (tools/wine-run)";
}

int main(int argc, char** argv) {
    if (GetACP() != 932) {
        std::fprintf(stderr, "ANSI code page is %u, not 932: run under tools/wine-run\n", GetACP());
        return 1;
    }
    // The program starts the socket layer once for the process; so do its tests.
    WSADATA data;
    WSAStartup(0x0101, &data);
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    WSACleanup();
    return result;
}
