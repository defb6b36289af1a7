// The choice of what to check, when "自動参照" finds more than the Favorites folder: one line a
// source (browser, profile, how many bookmarks). A source that cannot be read says why when it
// is chosen, and the choice stays open.
#pragma once

#include "favorites/Sources.h"
#include "framework/Dialog.h"

#include <vector>

class SourceDialog : public Dialog {
public:
    SourceDialog(HWND parent, const std::vector<FoundSource>& sources, const char* current);

    // The source chosen, after DoModal returned IDOK.
    const FoundSource& Chosen() const { return sources_[chosen_]; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    bool OnNotice(int id, int code) override;

private:
    const std::vector<FoundSource>& sources_;
    const char* current_;
    size_t chosen_ = 0;
};
