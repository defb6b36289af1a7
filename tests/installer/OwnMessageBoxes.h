// Message boxes that the code under test shows in this very process, answered from a thread of
// the test's own so that the call that shows them returns.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "WinDriver.h"

class OwnMessageBoxes {
public:
    // Every box is answered with button (IDOK, IDYES, ...).
    explicit OwnMessageBoxes(int button);
    ~OwnMessageBoxes();
    OwnMessageBoxes(const OwnMessageBoxes&) = delete;
    OwnMessageBoxes& operator=(const OwnMessageBoxes&) = delete;

    // The boxes answered so far, in order.
    std::vector<driver::MessageBoxSeen> Seen();

private:
    void Answer();

    int button_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<driver::MessageBoxSeen> seen_;
    std::thread thread_;
};
