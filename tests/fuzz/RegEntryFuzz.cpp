// A [Reg] entry decides which registry tree the uninstallation deletes: it must name one of the
// three roots exactly (upper case), and the key path must begin after the root name and the one
// single-byte character that follows it, never at a trail byte, and never name the root itself.
#include "uninstall/RegEntry.h"

#include "FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input input(data, size);
    const std::string entry = input.Text(600);
    fuzz::Area text = fuzz::Copy(entry);
    const char* keyPath = nullptr;
    const RegRoot root = ParseRegEntry(text.get(), &keyPath);

    const struct {
        const char* name;
        RegRoot root;
    } roots[] = {
        {"HKEY_CURRENT_USER", RegRoot::kCurrentUser},
        {"HKEY_LOCAL_MACHINE", RegRoot::kLocalMachine},
        {"HKEY_CLASSES_ROOT", RegRoot::kClassesRoot},
    };
    RegRoot named = RegRoot::kNone;
    std::string expectedPath;
    for (const auto& r : roots) {
        if (fuzz::StartsWith(entry, r.name)) {
            const size_t separator = std::strlen(r.name);
            // A double-byte character after the root name is no separator.
            if (separator < entry.size() && fuzz::CharAt(entry, separator) == 1) {
                expectedPath = entry.substr(separator + 1);
                if (!expectedPath.empty() && expectedPath[0] != '\\') {
                    named = r.root;
                }
            }
            break;
        }
    }
    FUZZ_CHECK(root == named);
    if (root != RegRoot::kNone) {
        FUZZ_CHECK(keyPath >= text.get() && keyPath <= text.get() + entry.size());
        FUZZ_CHECK(std::string(keyPath) == expectedPath);
        FUZZ_CHECK(NamesKeyBelow(keyPath));
    }
    return 0;
}
