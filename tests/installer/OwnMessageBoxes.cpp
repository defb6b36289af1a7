// Answering this process's own message boxes from a second thread.
#include "OwnMessageBoxes.h"

#include <windows.h>

OwnMessageBoxes::OwnMessageBoxes(int button) : button_(button), thread_([this] { Answer(); }) {}

OwnMessageBoxes::~OwnMessageBoxes() {
    stop_ = true;
    thread_.join();
}

std::vector<driver::MessageBoxSeen> OwnMessageBoxes::Seen() {
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
}

void OwnMessageBoxes::Answer() {
    while (!stop_) {
        HWND box = driver::WaitForMessageBox(GetCurrentProcessId(), 50);
        if (!box) {
            continue;
        }
        // Recorded before it is answered: once answered, the call that showed it returns.
        {
            std::lock_guard<std::mutex> lock(mutex_);
            seen_.push_back({driver::MessageBoxText(box), driver::WindowText(box)});
        }
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(button_, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(box, button_)));
        driver::WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 5000);
    }
}
