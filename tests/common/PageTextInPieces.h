// A page's readable text as the probe reads it, in pieces of step bytes (a step past its size
// reads it whole); title receives its first title. For the table tests and the fuzz target alike.
#pragma once

#include "favorites/PageText.h"

#include <algorithm>
#include <string>

inline std::string ReadableInPieces(const std::string& page, size_t step,
                                    std::string* title = nullptr) {
    PageText reader;
    std::string text;
    for (size_t at = 0; at < page.size(); at += step) {
        reader.Feed(page.data() + at, std::min(step, page.size() - at), text);
    }
    reader.Finish(text);
    if (title) {
        *title = reader.Title();
    }
    return text;
}
