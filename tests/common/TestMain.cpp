// Test main shared by every test program: the programs work on code page 932 text, so a wrong
// locale must fail loudly instead of garbling every Japanese text.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include "WinDriver.h"

#include <algorithm>

#include <cstdio>

namespace {

// Wine's own programs, which start when first needed and stay for the session.
bool IsWineProgram(const std::string& name) {
    for (const char* wine : {"explorer.exe", "services.exe", "winedevice.exe", "plugplay.exe",
                             "rpcss.exe", "svchost.exe", "conhost.exe", "wineboot.exe",
                             "winemenubuilder.exe", "start.exe", "cmd.exe", "rundll32.exe"}) {
        if (lstrcmpiA(name.c_str(), wine) == 0) {
            return true;
        }
    }
    return false;
}

// A program a test started must not outlive it: the next test would meet it (a second copy of
// Vexilo is refused). What a test leaves running is its failure, and is ended.
class LeftBehind : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override { before_ = driver::RunningProcesses(); }

    void OnTestEnd(const testing::TestInfo& test) override {
        std::vector<std::pair<DWORD, std::string>> left;
        // A program that is ending (the recorder, a program just told to exit) gets a moment.
        driver::WaitUntil(
            [&] {
                left.clear();
                for (const auto& process : driver::RunningProcesses()) {
                    if (process.first != GetCurrentProcessId() && !IsWineProgram(process.second) &&
                        std::find(before_.begin(), before_.end(), process) == before_.end()) {
                        left.push_back(process);
                    }
                }
                return left.empty();
            },
            5000);
        for (const auto& process : left) {
            ADD_FAILURE() << test.test_suite_name() << "." << test.name() << " left "
                          << process.second << " (process " << process.first << ") running";
            if (HANDLE handle = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, process.first)) {
                TerminateProcess(handle, 99);
                WaitForSingleObject(handle, 5000);
                CloseHandle(handle);
            }
        }
    }

    std::vector<std::pair<DWORD, std::string>> before_;
};

} // namespace

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
    testing::UnitTest::GetInstance()->listeners().Append(new LeftBehind);
    const int result = RUN_ALL_TESTS();
    if (driver::Retries() > 0) {
        std::printf("[  RETRY   ] %d start(s) of a program retried in this test program\n",
                    driver::Retries());
    }
    WSACleanup();
    return result;
}
