// A shortcut file's text with its URL replaced and every other byte kept. Pure work over bytes,
// no windows.h: shortcut files are outside input, and the rewrite is fuzzed natively as well.
#pragma once

#include <cstddef>
#include <string>

// The longest address a shortcut line holds so that it is read back whole ("URL=" and the line
// end included).
constexpr size_t kMostShortcutUrl = 1018;

enum class ShortcutRewrite {
    kDone,
    kNotText,   // zero bytes (a UTF-16 file) or an end-of-file mark: not what was read
    kLongLine,  // a line longer than the reader takes in one piece
    kNoSection, // the URL line read is not in an [InternetShortcut] section
    kOtherUrl,  // the URL line does not hold the address that was checked
    kManyUrls,  // the section holds more than one URL line
    kBadNewUrl, // the new address holds a line end or control byte, or does not fit a line
};

// bytes is the whole file; oldUrl the address read from it (the value of its first line that
// begins with "URL"). On kDone, result holds bytes with that value replaced by newUrl, and the
// URL line of an [InternetShortcut.W] section that held oldUrl given newUrl where it can be
// written the same way (plain ASCII, no "+") and removed otherwise. On any other result, result
// is empty and the file must be left as it is.
ShortcutRewrite RewriteShortcutUrl(const std::string& bytes, const std::string& oldUrl,
                                   const std::string& newUrl, std::string& result);

// Why a shortcut was left as it was, for the log.
const char* ShortcutRewriteText(ShortcutRewrite outcome);
