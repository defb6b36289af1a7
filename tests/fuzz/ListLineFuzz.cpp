// The favorites list read back line by line with any buffer size, and the names of the page-copy
// store made from what it holds. Every line must be its piece of the file without the line end,
// bounded by the buffer, and the reader must end; a shortcut path gives store names only when
// it lies below the root and ends in .url, and then they must fit their 260 bytes exactly,
// never a cut name that would stand for another file.
#include "favorites/FavoritesList.h"
#include "favorites/StoreNames.h"

#include "FuzzCheck.h"

#include <cctype>
#include <cstdio>
#include <vector>

namespace {

std::vector<std::string> ReadAll(const std::string& bytes, size_t size) {
    std::vector<std::string> lines;
    fuzz::Area copy = fuzz::Copy(bytes);
    FILE* file = fmemopen(copy.get(), bytes.size(), "r");
    FUZZ_CHECK(file != nullptr);
    fuzz::Area buffer(size);
    // A reader that gives a line without taking a byte would loop for ever.
    for (size_t reads = 0; ReadListLine(file, buffer.get(), static_cast<int>(size)); ++reads) {
        FUZZ_CHECK(reads <= bytes.size());
        const std::string line = buffer.TextIn();
        FUZZ_CHECK(line.size() + 1 <= size);
        lines.push_back(line);
    }
    std::fclose(file);
    return lines;
}

bool IsShortcutName(const std::string& relative) {
    // The name after the last separator (a drive such as X: is no part of it), its extension
    // from the last dot.
    size_t nameAt = 0;
    if (relative.size() >= 2 && relative[1] == ':' && relative[0] != '\\') {
        const size_t separator = fuzz::FindChar(relative, '\\');
        if (separator == std::string::npos) {
            return false;
        }
        nameAt = separator;
    }
    const size_t lastSeparator = fuzz::FindLastChar(relative, '\\');
    if (lastSeparator != std::string::npos && lastSeparator >= nameAt) {
        nameAt = lastSeparator + 1;
    }
    const std::string name = relative.substr(nameAt);
    const size_t dot = fuzz::FindLastChar(name, '.');
    if (dot == std::string::npos || name.size() - dot != 4) {
        return false;
    }
    std::string extension = name.substr(dot);
    for (char& c : extension) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return extension == ".url";
}

bool EndsInRealSeparator(const std::string& path) {
    size_t last = std::string::npos;
    for (size_t at = 0; at < path.size(); at += fuzz::CharAt(path, at)) {
        last = at;
    }
    return last != std::string::npos && path[last] == '\\';
}

void CheckStoreNames(const std::string& root, const std::string& shortcut,
                     const std::string& prefix) {
    StoreNames names;
    std::memset(&names, 'Z', sizeof names);
    const bool built = BuildStoreNames(root.c_str(), shortcut.c_str(), prefix.c_str(), names);
    const std::string store(names.storeName, strnlen(names.storeName, sizeof names.storeName));
    const std::string relativeName(names.relativeName,
                                   strnlen(names.relativeName, sizeof names.relativeName));
    const std::string copy(names.newCopyPath, strnlen(names.newCopyPath, sizeof names.newCopyPath));
    const std::string folder(names.copyFolder, strnlen(names.copyFolder, sizeof names.copyFolder));
    FUZZ_CHECK(store.size() < sizeof names.storeName);
    FUZZ_CHECK(relativeName.size() < sizeof names.relativeName);
    FUZZ_CHECK(copy.size() < sizeof names.newCopyPath);
    FUZZ_CHECK(folder.size() < sizeof names.copyFolder);

    bool below = !root.empty() && fuzz::StartsWith(shortcut, root);
    std::string relative;
    if (below) {
        relative = shortcut.substr(root.size());
        if (!EndsInRealSeparator(root)) {
            below = !relative.empty() && relative[0] == '\\';
            relative = below ? relative.substr(1) : "";
        }
    }
    const bool named = below && IsShortcutName(relative);
    const std::string expectedStore = "\\" + relative.substr(0, relative.size() - 4) + ".htm";
    const bool fits = prefix.size() + expectedStore.size() + 1 < kPathSize;
    FUZZ_CHECK(built == (named && fits));
    if (!built) {
        FUZZ_CHECK(store.empty() && relativeName.empty() && copy.empty() && folder.empty());
        return;
    }
    FUZZ_CHECK(relativeName == relative);
    FUZZ_CHECK(store == expectedStore);
    FUZZ_CHECK(copy == prefix + expectedStore + "_");
    // The folder is the copy's own, up to its last separator.
    FUZZ_CHECK(folder == copy.substr(0, fuzz::FindLastChar(copy, '\\') + 1));

    fuzz::Area stored(kPathSize);
    FUZZ_CHECK(StoredCopyPath(copy.c_str(), stored.get(), stored.size()));
    FUZZ_CHECK(stored.TextIn() == copy.substr(0, copy.size() - 1));
}

void CheckStoredCopyPath(const std::string& text, size_t size) {
    fuzz::Area result(size);
    const bool taken = StoredCopyPath(text.c_str(), result.get(), size);
    size_t last = std::string::npos;
    for (size_t at = 0; at < text.size(); at += fuzz::CharAt(text, at)) {
        last = at;
    }
    const bool endsInMark = text.size() >= 2 && last == text.size() - 1 && text[last] == '_';
    FUZZ_CHECK(taken == (endsInMark && text.size() <= size));
    if (size > 0) {
        FUZZ_CHECK(result.TextIn() == (taken ? text.substr(0, text.size() - 1) : ""));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input input(data, size);
    const uint8_t choice = input.Byte();
    const size_t bufferSize = choice < 64 ? choice % 8 : choice < 128 ? kListLineSize : choice;
    const std::string bytes = input.Rest();
    if (bytes.empty()) {
        return 0; // fmemopen needs a byte
    }

    const std::vector<std::string> lines = ReadAll(bytes, bufferSize);
    if (bufferSize < 2) {
        FUZZ_CHECK(lines.empty());
    } else {
        FUZZ_CHECK(lines == fuzz::ListPieces(bytes, bufferSize));
    }

    // The run reads the list with 1024 bytes: the first line is taken as a root as well.
    const std::vector<std::string> listed = ReadAll(bytes, kListLineSize);
    const std::string longPrefix = "C:\\" + std::string(240, 'p') + "\\taro";
    for (const std::string& shortcut : listed) {
        for (const std::string& root : {std::string("C:\\Fav"), std::string("D:\\"), listed[0]}) {
            CheckStoreNames(root, shortcut, "C:\\Tools\\taro");
            CheckStoreNames(root, shortcut, longPrefix);
        }
        CheckStoredCopyPath(shortcut, 1 + choice);
    }
    return 0;
}
