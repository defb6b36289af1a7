// Drives a running Vexilo.exe as a user would: its main window, the check button, the log, the
// Save As dialog of the log, the exit button. Used by the end-to-end tests and the demo.
#pragma once

#include "WinDriver.h"

#include <atomic>
#include <functional>
#include <thread>
#include <string>
#include <vector>

// Ids of the main window's controls, as the user meets them.
enum VexiloControl {
    kBrowseButton = 1000,
    kFolderField = 1001,
    kDetectButton = 1002,
    kCheckButton = 1003,
    kVanishedAsk = 1006,
    kVanishedNothing = 1008,
    kVanishedRecycle = 1009,
    kLogList = 1010,
    kProgressBar = 1011,
    kSaveLogButton = 1012,
    kStatusLine = 1013,
    kUpdatedList = 1014,
    kUpdatedBrowser = 1015,
    kClearLogButton = 1016,
    kNoUpdateCheck = 1017,
    kVanishedList = 1018,
    kExitButton = 1,
};

extern const char kStartCaption[]; // "チェック開始(&G)"

class Vexilo {
public:
    Vexilo() = default;
    ~Vexilo();
    Vexilo(const Vexilo&) = delete;
    Vexilo& operator=(const Vexilo&) = delete;

    // Starts the program from its own folder and waits for its main window. False when it did
    // not come up; Problem() says why (CreateProcess failed, it refused to start and why, it
    // ended, or nothing came within the time).
    bool Start(const std::string& exePath, DWORD timeoutMs = 30000);
    const std::string& Problem() const { return problem_; }
    driver::Process& Process() { return process_; }
    HWND Window() const { return window_; }

    std::vector<std::string> LogLines() const;
    std::string Status() const { return driver::ItemText(window_, kStatusLine); }
    std::string CheckCaption() const { return driver::ItemText(window_, kCheckButton); }

    // Presses the check button. The press is sent from a thread of the driver's own, which the
    // program answers only when the button's handler returns: for a run, at its very end.
    void BeginCheck();
    // Waits for the end of the run begun by BeginCheck, handing every message box that turns
    // up on the way to onMessageBox (which answers it). False on timeout.
    using BoxHandler = std::function<void(HWND box, const std::string& text)>;
    bool WaitCheckEnd(DWORD timeoutMs, const BoxHandler& onMessageBox = nullptr);
    bool RunCheck(DWORD timeoutMs, const BoxHandler& onMessageBox = nullptr) {
        BeginCheck();
        return WaitCheckEnd(timeoutMs, onMessageBox);
    }
    // Whether no run is going on: the log buttons are usable and the check button is idle.
    bool Idle() const;

    // Saves the log through the program's own Save As dialog into path (a new file).
    bool SaveLog(const std::string& path, DWORD timeoutMs = 20000);

    // Ends the program with its exit button; true with the exit code when it ended.
    bool Exit(DWORD* exitCode = nullptr, DWORD timeoutMs = 20000);

private:
    driver::Process process_;
    HWND window_ = nullptr;
    std::string problem_;
    std::thread press_;
    std::atomic<bool> pressed_{false};
};
