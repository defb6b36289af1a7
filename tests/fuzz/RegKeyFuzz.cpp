// A [Reg] entry that comes through may be removed with everything below it: it must name a key
// below SOFTWARE\<maker> (HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE) or below a class maker.name
// (HKEY_CLASSES_ROOT), never a hive's top key, a file type or one of Windows' own branches, and
// never hold an empty name that the registry might read another way.
#include "uninstall/RegEntry.h"

#include "FuzzCheck.h"

namespace {

std::string Upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

// The names of a key path, split at backslashes that are no trail bytes.
std::vector<std::string> Names(const std::string& path) {
    std::vector<std::string> names(1);
    for (size_t at = 0; at < path.size(); at += fuzz::CharAt(path, at)) {
        if (path[at] == '\\') {
            names.emplace_back();
        } else {
            names.back().append(path, at, fuzz::CharAt(path, at));
        }
    }
    return names;
}

bool OneOf(const std::string& name, std::initializer_list<const char*> words) {
    for (const char* word : words) {
        if (Upper(name) == word) {
            return true;
        }
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input input(data, size);
    const std::string entry = input.Text(600);
    fuzz::Area text = fuzz::Copy(entry);
    const char* keyPath = nullptr;
    const RegRoot root = ParseOwnedRegEntry(text.get(), &keyPath);
    const char* parsedPath = nullptr;
    fuzz::Area again = fuzz::Copy(entry);
    const RegRoot parsed = ParseRegEntry(again.get(), &parsedPath);
    if (root == RegRoot::kNone) {
        return 0;
    }
    FUZZ_CHECK(root == parsed);
    const std::string path = keyPath;
    FUZZ_CHECK(path == parsedPath);
    std::vector<std::string> names = Names(path);
    // One trailing backslash is let through; no other empty name.
    if (names.size() > 1 && names.back().empty()) {
        names.pop_back();
    }
    for (const std::string& name : names) {
        FUZZ_CHECK(!name.empty());
    }
    if (root == RegRoot::kClassesRoot) {
        const std::string& name = names[0];
        const size_t dot = fuzz::FindChar(name, '.');
        FUZZ_CHECK(dot != std::string::npos && dot > 0 && dot + 1 < name.size());
        FUZZ_CHECK(
            !OneOf(name.substr(0, dot), {"MICROSOFT", "WINDOWS", "SHELL", "WSCRIPT", "SCRIPTING"}));
        FUZZ_CHECK(!OneOf(name, {"CLSID", "INTERFACE", "TYPELIB", "APPID", "MIME", "*"}));
    } else {
        FUZZ_CHECK(root == RegRoot::kCurrentUser || root == RegRoot::kLocalMachine);
        FUZZ_CHECK(names.size() >= 2);
        FUZZ_CHECK(Upper(names[0]) == "SOFTWARE");
        FUZZ_CHECK(!OneOf(names[1], {"MICROSOFT", "CLASSES", "POLICIES", "WOW6432NODE"}));
    }
    return 0;
}
