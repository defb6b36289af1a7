// The checker's text and path routines on any text: SplitPath and the routines built on it, the
// case change, the bounded copies and joins. Results must stay in their areas, end on character
// boundaries, and (for the paths of at most 259 bytes these routines are given) put the path
// back together exactly.
#include "favorites/FavoritesList.h"
#include "text/TextRoutines.h"

#include "FuzzCheck.h"

#include <algorithm>

namespace {

std::string InArea(const char* area, size_t size) {
    FUZZ_CHECK(std::memchr(area, 0, size) != nullptr);
    return area;
}

void CheckSplitPath(const std::string& path) {
    fuzz::Area text = fuzz::Copy(path);
    std::unique_ptr<PathParts> parts(new PathParts);
    std::memset(parts.get(), 'Z', sizeof *parts);
    SplitPath(text.get(), *parts);
    const std::string drive = InArea(parts->drive, sizeof parts->drive);
    const std::string directory = InArea(parts->directory, sizeof parts->directory);
    const std::string base = InArea(parts->baseName, sizeof parts->baseName);
    const std::string extension = InArea(parts->extension, sizeof parts->extension);
    // The parts as the path holds them: the drive up to the first separator (only before a
    // colon in the second byte), the directory through the last one, then the name, split at
    // its last dot. Each comes back whole or cut to its area on a character boundary.
    size_t driveEnd = 0;
    if (path.size() >= 2 && path[1] == ':' && path[0] != '\\') {
        driveEnd = std::min(fuzz::FindChar(path, '\\'), path.size());
    }
    const size_t lastSeparator = fuzz::FindLastChar(path, '\\');
    const size_t nameAt = lastSeparator == std::string::npos || lastSeparator < driveEnd
                              ? driveEnd
                              : lastSeparator + 1;
    const std::string name = path.substr(nameAt);
    const size_t dot = fuzz::FindLastChar(name, '.');
    FUZZ_CHECK(drive == fuzz::Fitted(path.substr(0, driveEnd), kDriveSize));
    FUZZ_CHECK(directory == fuzz::Fitted(path.substr(driveEnd, nameAt - driveEnd), kDirectorySize));
    FUZZ_CHECK(base == fuzz::Fitted(name.substr(0, dot), kNameSize));
    FUZZ_CHECK(extension ==
               fuzz::Fitted(dot == std::string::npos ? "" : name.substr(dot), kNameSize));
    // A path of at most 259 bytes whose parts fit is put back together exactly.
    if (path.size() < kPathSize && driveEnd < kDriveSize && name.size() < kNameSize) {
        FUZZ_CHECK(drive + directory + base + extension == path);
    }

    for (size_t size : {size_t{1}, size_t{4}, kPathSize}) {
        fuzz::Area folder(size);
        PathDirectory(text.get(), folder.get(), size);
        FUZZ_CHECK(folder.TextIn() == fuzz::Fitted(drive + directory, size));
        fuzz::Area dotted(size);
        PathExtension(text.get(), dotted.get(), size);
        FUZZ_CHECK(dotted.TextIn() == fuzz::Fitted(extension, size));
    }
}

void CheckChangeCase(const std::string& text) {
    for (int toLower : {0, 1}) {
        fuzz::Area changed = fuzz::Copy(text);
        ChangeCase(changed.get(), toLower);
        const std::string result = changed.TextIn();
        FUZZ_CHECK(result.size() == text.size());
        for (size_t at = 0; at < text.size(); at += fuzz::CharAt(text, at)) {
            const size_t length = fuzz::CharAt(text, at);
            const char c = text[at];
            if (length == 2 || fuzz::IsLead(c)) {
                FUZZ_CHECK(result.compare(at, length, text, at, length) == 0);
            } else if (toLower && c >= 'A' && c <= 'Z') {
                FUZZ_CHECK(result[at] == c + 0x20);
            } else if (!toLower && c >= 'a' && c <= 'z') {
                FUZZ_CHECK(result[at] == c - 0x20);
            } else {
                FUZZ_CHECK(result[at] == c);
            }
        }
    }
}

void CheckCopies(const std::string& first, const std::string& second, size_t size) {
    fuzz::Area copy(size);
    const bool whole = CopyText(copy.get(), size, first.c_str());
    if (size > 0) {
        FUZZ_CHECK(copy.TextIn() == fuzz::Fitted(first, size));
    }
    FUZZ_CHECK(whole == (size > first.size()));

    fuzz::Area part(size);
    const size_t partLength = second.size() / 2;
    CopyTextPart(part.get(), size, second.c_str(), partLength);
    if (size > 0) {
        FUZZ_CHECK(part.TextIn() == fuzz::Fitted(second.substr(0, partLength), size));
    }

    if (size > 0 && whole) {
        const bool appended = AppendText(copy.get(), size, second.c_str());
        const std::string joined = copy.TextIn();
        FUZZ_CHECK(joined == first + fuzz::Fitted(second, size - first.size()));
        FUZZ_CHECK(appended == (first.size() + second.size() < size));
    }

    fuzz::Area formatted(size);
    const bool fitted = FormatText(formatted.get(), size, "[%s]%d<%s>", first.c_str(),
                                   static_cast<int>(size), second.c_str());
    const std::string full = "[" + first + "]" + std::to_string(size) + "<" + second + ">";
    if (size > 0) {
        FUZZ_CHECK(formatted.TextIn() == fuzz::Fitted(full, size));
    }
    FUZZ_CHECK(fitted == (size > full.size()));
}

void CheckJoin(const std::string& folder, const std::string& name, size_t size) {
    fuzz::Area joined(size);
    const bool whole = JoinPath(joined.get(), size, folder.c_str(), name.c_str());
    size_t last = std::string::npos;
    for (size_t at = 0; at < folder.size(); at += fuzz::CharAt(folder, at)) {
        last = at;
    }
    const bool separated = last != std::string::npos && folder[last] == '\\';
    FUZZ_CHECK(EndsInSeparator(folder.c_str()) == separated);
    const std::string full = folder + (separated ? "" : "\\") + name;
    FUZZ_CHECK(whole == (full.size() < size));
    if (size > 0) {
        FUZZ_CHECK(joined.TextIn() == (whole ? full : ""));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input input(data, size);
    const size_t areaSize = input.Byte() + (input.Byte() % 2) * 256;
    const std::string first = input.Text(600);
    const std::string second = input.Text(600);
    CheckSplitPath(first);
    CheckSplitPath(second);
    CheckChangeCase(first);
    CheckCopies(first, second, areaSize);
    CheckJoin(first, second, areaSize);
    CheckJoin(first, second, kPathSize);
    return 0;
}
