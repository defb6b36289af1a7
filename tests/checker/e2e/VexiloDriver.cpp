// Everything is posted and then waited for, so the driver never blocks on a modal loop of the
// program.
#include "VexiloDriver.h"

#include <cstdio>

const char kStartCaption[] = "チェック開始(&G)";

namespace {
// Control ids of the system's Save As dialog.
constexpr int kFileNameField = 1152;
constexpr int kFileNameCombo = 1148;
} // namespace

bool Vexilo::Start(const std::string& exePath, DWORD timeoutMs) {
    std::string folder = exePath.substr(0, exePath.find_last_of('\\'));
    if (!process_.Start("\"" + exePath + "\"", folder.c_str())) {
        problem_ = process_.Problem();
        return false;
    }
    // Its window, or the reason it will not come: a box (another copy runs), its end.
    const DWORD start = GetTickCount();
    const bool up = driver::WaitUntil(
        [&] {
            window_ = driver::WaitForWindow(process_.Id(), "#32770", "Vexilo", 0);
            return window_ || !driver::WhyNotUp(process_, 0).empty();
        },
        timeoutMs);
    if (window_) {
        return true;
    }
    problem_ = "Vexilo did not start: " + driver::WhyNotUp(process_, up ? 0 : GetTickCount() - start);
    std::fprintf(stderr, "driver: %s\n", problem_.c_str());
    return false;
}

std::vector<std::string> Vexilo::LogLines() const {
    return driver::ListBoxLines(GetDlgItem(window_, kLogList));
}

bool Vexilo::Idle() const {
    return driver::IsEnabled(window_, kSaveLogButton) && CheckCaption() == kStartCaption;
}

Vexilo::~Vexilo() {
    // A press still waiting for its handler returns once the program is gone.
    if (process_.Running()) {
        process_.Kill();
    }
    if (press_.joinable()) {
        press_.join();
    }
}

void Vexilo::BeginCheck() {
    if (press_.joinable()) {
        press_.join();
    }
    pressed_ = false;
    HWND window = window_;
    press_ = std::thread([this, window] {
        SendMessageA(window, WM_COMMAND, MAKEWPARAM(kCheckButton, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(window, kCheckButton)));
        pressed_ = true;
    });
}

bool Vexilo::WaitCheckEnd(DWORD timeoutMs, const BoxHandler& onMessageBox) {
    const bool ended = driver::WaitUntil(
        [&] {
            if (pressed_) {
                return true;
            }
            if (onMessageBox) {
                if (HWND box = driver::FindMessageBox(process_.Id())) {
                    onMessageBox(box, driver::MessageBoxText(box));
                    driver::WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); },
                                      5000);
                }
            }
            return false;
        },
        timeoutMs);
    if (ended) {
        press_.join();
    }
    return ended;
}

bool Vexilo::SaveLog(const std::string& path, DWORD timeoutMs) {
    driver::Click(window_, kSaveLogButton);
    HWND dialog = driver::WaitForDialogWithItem(process_.Id(), kFileNameField, timeoutMs);
    int field = kFileNameField;
    if (!dialog) {
        dialog = driver::WaitForDialogWithItem(process_.Id(), kFileNameCombo, 1000);
        field = kFileNameCombo;
    }
    if (!dialog) {
        return false;
    }
    driver::SetItemText(dialog, field, path);
    driver::Click(dialog, IDOK);
    // A new file is created only after the question the program asked for.
    if (HWND box = driver::WaitForMessageBox(process_.Id(), 5000)) {
        driver::Click(box, IDYES);
    }
    return driver::WaitUntil([&] { return driver::FileExists(path) && Idle(); }, timeoutMs);
}

bool Vexilo::Exit(DWORD* exitCode, DWORD timeoutMs) {
    driver::Click(window_, kExitButton);
    return process_.Wait(timeoutMs, exitCode);
}
