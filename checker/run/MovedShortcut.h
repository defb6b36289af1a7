// A favorite's shortcut file given its new address on disk: the old bytes kept for the user
// first, the new file written beside the shortcut and then put in its place.
#pragma once

#include <cstddef>
#include <string>

// Where the shortcut's bytes before the update are kept: beside its page copy below prefix, the
// store name's ".htm" replaced by ".url" (\News\Daily.htm gives prefix\News\Daily.url). False,
// result empty, when the store name has no ".htm" end or the path does not fit.
bool KeptShortcutPath(const char* prefix, const char* storeName, char* result, size_t size);

// Replaces oldUrl by newUrl in the shortcut file, keeping its old bytes at keptPath. True when
// the shortcut now holds newUrl; false, the shortcut as it was, with why saying what stood in the
// way (read-only, gone, a folder now, in use, its text).
bool UpdateShortcutFile(const char* file, const char* keptPath, const char* oldUrl,
                        const char* newUrl, std::string& why);
