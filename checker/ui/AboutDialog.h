// The version dialog, opened from the system menu; OK or Esc close it.
#pragma once

#include "framework/Dialog.h"
#include "resource.h"

class AboutDialog : public Dialog {
public:
    explicit AboutDialog(HWND parent) : Dialog(IDD_ABOUT, parent) {}
};
