// The setup file's [Install] and [Group] entries split as the installer loads them, and a
// shortcut's target split into program and arguments: every split at a real comma (never a
// trail byte), every target the installation folder and exactly the entry's part, or empty when
// that would not fit a path; no file may ever be copied to or removed from a cut path.
#include "base/Text.h"
#include "setupfile/EntryText.h"
#include "shortcuts/Shortcuts.h"

#include "FuzzCheck.h"

namespace {

// A setup value as the profile reader gives it: at most 259 bytes.
std::string AsValue(const std::string& text) {
    return text.substr(0, kPathSize - 1);
}

void CheckFileEntry(const std::string& value, const std::string& folder) {
    fuzz::Area name(kPathSize);
    std::memcpy(name.get(), value.c_str(), value.size() + 1);
    fuzz::Area target(kPathSize);
    size_t relative = 12345;
    SplitFileEntry(name.get(), folder.c_str(), target.get(), relative);

    const size_t comma = fuzz::FindChar(value, ',');
    const std::string source = value.substr(0, comma);
    const std::string destination = comma == std::string::npos ? value : value.substr(comma + 1);
    FUZZ_CHECK(name.TextIn() == source);
    if (folder.size() + destination.size() < kPathSize) {
        FUZZ_CHECK(target.TextIn() == folder + destination);
        FUZZ_CHECK(relative == folder.size());
    } else {
        FUZZ_CHECK(target.TextIn().empty());
        FUZZ_CHECK(relative == 0);
    }
}

void CheckGroupEntry(const std::string& value, const std::string& folder) {
    fuzz::Area name(kPathSize);
    std::memcpy(name.get(), value.c_str(), value.size() + 1);
    fuzz::Area target(kPathSize);
    std::strcpy(target.get(), "earlier target");
    const bool split = SplitGroupEntry(name.get(), folder.c_str(), target.get());

    const size_t comma = fuzz::FindChar(value, ',');
    FUZZ_CHECK(split == (comma != std::string::npos));
    if (!split) {
        FUZZ_CHECK(name.TextIn().empty());
        FUZZ_CHECK(target.TextIn() == "earlier target");
        return;
    }
    FUZZ_CHECK(name.TextIn() == value.substr(0, comma));
    const std::string rest = value.substr(comma + 1);
    FUZZ_CHECK(target.TextIn() == (folder.size() + rest.size() < kPathSize ? folder + rest : ""));

    // The arguments begin at the first real comma after the installation folder.
    fuzz::Area command = fuzz::Copy(target.TextIn());
    const std::string text = target.TextIn();
    const char* found = FindArgumentsComma(command.get(), folder.c_str());
    const size_t from = fuzz::StartsWith(text, folder) ? folder.size() : 0;
    size_t expected = std::string::npos;
    for (size_t at = from; at < text.size(); at += fuzz::CharAt(text, at)) {
        if (text[at] == ',') {
            expected = at;
            break;
        }
    }
    FUZZ_CHECK(found == (expected == std::string::npos ? nullptr : command.get() + expected));
}

void CheckWorkingFolder(const std::string& path, size_t size) {
    fuzz::Area folder(size);
    const bool found = WorkingFolderOf(path.c_str(), folder.get(), size);
    const size_t slash = fuzz::FindLastChar(path, '\\');
    size_t length = slash == std::string::npos ? 0 : slash;
    if (length == 2 && path[1] == ':') {
        ++length;
    }
    const bool expected = slash != std::string::npos && length > 0 && length < size;
    FUZZ_CHECK(found == expected);
    if (found) {
        FUZZ_CHECK(folder.TextIn() == path.substr(0, length));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input input(data, size);
    const size_t areaSize = input.Byte();
    std::string folder = AsValue(input.Text());
    // The installation folder always ends in a backslash.
    if (folder.empty() || folder.back() != '\\') {
        folder = folder.substr(0, kPathSize - 2) + "\\";
    }
    const std::string value = AsValue(input.Text());
    CheckFileEntry(value, folder);
    CheckGroupEntry(value, folder);
    CheckWorkingFolder(value, areaSize);
    return 0;
}
