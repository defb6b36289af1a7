// A Chromium Bookmarks file, a Firefox backup's JSON or a Local State of any content (the first
// byte picks which), read in place and then written into the run's list. RapidJSON's document
// reader, which builds a tree and shares nothing with our handlers, reads a copy: the text is
// JSON for both or for neither, and the nodes it holds (folders, links, links without a usable
// URL) are those of the table, the contents of folders only. Every text of the table lies in
// the buffer, or is a top folder's name as the browser shows it; a parent comes before what it
// holds and is a folder. The list gets five lines an entry, each within a list line and without
// a line end inside, names without control characters, URLs of printable ASCII, a store name of
// its own per entry, and the same bytes when it is written again.
#include "favorites/BookmarksJson.h"
#include "favorites/FavoritesList.h"
#include "text/Utf8.h"

#include "FuzzCheck.h"

#include <rapidjson/document.h>

#include <cctype>
#include <set>

namespace {

enum class Format { kChromium, kFirefox, kLocalState };

// What the browsers show for their top folders where the file names them otherwise or not.
const char* const kTopNames[] = {
    u8"ブックマーク バー",    u8"その他のブックマーク",   u8"モバイルのブックマーク",
    u8"ブックマークメニュー", u8"ブックマークツールバー", u8"他のブックマーク",
    u8"モバイルブックマーク",
};

// A document reader for the copy. A lone high surrogate written as an escape is taken as the
// replacement character, as our reader does: RapidJSON names where it stands.
bool ParseCopy(std::string text, rapidjson::Document& document, bool numbersAsText) {
    for (size_t tries = 0; tries <= text.size(); ++tries) {
        if (numbersAsText) {
            document.Parse<rapidjson::kParseIterativeFlag | rapidjson::kParseNumbersAsStringsFlag>(
                text.c_str());
        } else {
            document.Parse<rapidjson::kParseIterativeFlag>(text.c_str());
        }
        if (document.GetParseError() != rapidjson::kParseErrorStringUnicodeSurrogateInvalid) {
            break;
        }
        text.replace(document.GetErrorOffset() + 2, 4, "fffd");
    }
    return !document.HasParseError();
}

// What the document holds for one format: nodes of each kind and links the writer cannot list.
struct Expected {
    size_t folders = 0, links = 0, others = 0, broken = 0;
    bool tooDeep = false;
};

// Bookmarks below 200 levels are walked; deeper ones are compared for well-formedness only.
constexpr int kDeepest = 200;

std::string Text(const rapidjson::Value& text) {
    return std::string(text.GetString(), text.GetStringLength());
}

bool HasPrintable(const rapidjson::Value& text) {
    for (rapidjson::SizeType i = 0; i < text.GetStringLength(); ++i) {
        if (static_cast<unsigned char>(text.GetString()[i]) > 0x20) {
            return true;
        }
    }
    return false;
}

void Walk(const rapidjson::Value& node, Format format, bool top, int depth, Expected& expected) {
    if (depth > kDeepest) {
        expected.tooDeep = true;
        return;
    }
    const bool chromium = format == Format::kChromium;
    const char* linkType = chromium ? "url" : "text/x-moz-place";
    const char* folderType = chromium ? "folder" : "text/x-moz-place-container";
    const char* urlName = chromium ? "url" : "uri";
    // Where a member is given twice, the last text decides; a URL that is no text spoils it.
    std::string type;
    enum { kMissing, kText, kNotText } url = kMissing;
    bool printable = false;
    for (const auto& member : node.GetObject()) {
        const std::string name = Text(member.name);
        if (name == "type" && member.value.IsString()) {
            type = Text(member.value);
        } else if (name == urlName && member.value.IsString()) {
            url = kText;
            printable = HasPrintable(member.value);
        } else if (name == urlName && !member.value.IsObject() && !member.value.IsArray()) {
            url = kNotText;
        }
    }
    const bool folder = (top && chromium) || type == folderType;
    if (folder) {
        ++expected.folders;
    } else if (type == linkType) {
        ++expected.links;
        expected.broken += url != kText || !printable;
        return;
    } else {
        ++expected.others;
        return;
    }
    for (const auto& member : node.GetObject()) {
        if (Text(member.name) == "children" && member.value.IsArray()) {
            for (const auto& child : member.value.GetArray()) {
                if (child.IsObject()) {
                    Walk(child, format, false, depth + 1, expected);
                }
            }
        }
    }
}

// The nodes of the document, and whether it holds what bookmarks are kept in.
bool ExpectedNodes(const rapidjson::Document& document, Format format, Expected& expected) {
    if (!document.IsObject()) {
        return false;
    }
    bool found = false;
    for (const auto& member : document.GetObject()) {
        const std::string name = Text(member.name);
        if (format == Format::kChromium && name == "roots" && member.value.IsObject()) {
            found = true;
            for (const auto& root : member.value.GetObject()) {
                if (root.value.IsObject()) {
                    Walk(root.value, format, true, 0, expected);
                }
            }
        } else if (format == Format::kFirefox && name == "children" && member.value.IsArray()) {
            found = true;
            for (const auto& child : member.value.GetArray()) {
                if (child.IsObject()) {
                    Walk(child, format, false, 0, expected);
                }
            }
        }
    }
    return found;
}

// A stand-in for the system's conversion: ASCII stays, every other character becomes two
// bytes of code page 932's form (a trail byte of 0x5C among them), cut on a character boundary.
bool FakeAnsi(const char* utf8, size_t length, char* out, size_t size) {
    std::vector<char16_t> units(length);
    bool whole;
    units.resize(Utf8ToUtf16(utf8, length, units.data(), units.size(), &whole));
    size_t used = 0;
    for (const char16_t unit : units) {
        const size_t need = unit < 0x80 ? 1 : 2;
        if (used + need >= size) {
            out[used] = '\0';
            return false;
        }
        if (need == 1) {
            out[used++] = static_cast<char>(unit);
        } else {
            out[used++] = static_cast<char>(0x81 + (unit >> 8) % 0x1F);
            const unsigned trail = 0x40 + unit % 0xBC;
            out[used++] = static_cast<char>(trail >= 0x7F ? trail + 1 : trail);
        }
    }
    out[used] = '\0';
    return true;
}

std::string WriteList(const BookmarkTree& tree, BookmarksWritten& written) {
    char* bytes = nullptr;
    size_t size = 0;
    FILE* list = open_memstream(&bytes, &size);
    FUZZ_CHECK(list != nullptr);
    written = WriteBookmarks(tree, "0badf00d", FakeAnsi, list, [] { return true; });
    std::fclose(list);
    std::string text(bytes, size);
    std::free(bytes);
    return text;
}

bool IsStoreName(const std::string& name) {
    const std::string start = "\\#bookmarks\\0badf00d\\";
    if (name.size() != start.size() + 2 + 1 + 14 + 4 || !fuzz::StartsWith(name, start) ||
        name[start.size() + 2] != '\\' || name.compare(name.size() - 4, 4, ".htm") != 0) {
        return false;
    }
    for (size_t i = start.size(); i < name.size() - 4; ++i) {
        if (i != start.size() + 2 && !std::isxdigit(static_cast<unsigned char>(name[i]))) {
            return false;
        }
    }
    return true;
}

void CheckList(const std::string& text, const BookmarksWritten& written) {
    std::vector<std::string> lines;
    for (size_t at = 0; at < text.size();) {
        const size_t end = text.find('\n', at);
        FUZZ_CHECK(end != std::string::npos && end > at && text[end - 1] == '\r'); // CR LF
        lines.push_back(text.substr(at, end - 1 - at));
        at = end + 1;
    }
    FUZZ_CHECK(lines.size() == 5 * static_cast<size_t>(written.links));
    std::set<std::string> storeNames;
    for (size_t i = 0; i < lines.size(); i += 5) {
        for (size_t k = i; k < i + 5; ++k) {
            FUZZ_CHECK(lines[k].size() < kListLineSize);
            FUZZ_CHECK(lines[k].find('\r') == std::string::npos);
            FUZZ_CHECK(lines[k].find('\0') == std::string::npos);
        }
        FUZZ_CHECK(lines[i] == "B" || lines[i] == "BL");
        FUZZ_CHECK(lines[i + 1].empty());
        for (const char c : lines[i + 2]) {
            FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);
        }
        FUZZ_CHECK(IsStoreName(lines[i + 3]));
        FUZZ_CHECK(storeNames.insert(lines[i + 3]).second);
        const std::string& url = lines[i + 4];
        FUZZ_CHECK(!url.empty() && url[0] != ' ' && (lines[i] == "BL" || url.back() != ' '));
        for (const char c : url) {
            FUZZ_CHECK(c >= 0x20 && c < 0x7F);
        }
    }
}

bool InBuffer(TextSpan span, const char* buffer, size_t length) {
    return (!span.data && !span.length) ||
           (span.data >= buffer && span.length <= length &&
            span.data - buffer <= static_cast<ptrdiff_t>(length - span.length));
}

bool IsTopName(TextSpan span) {
    for (const char* name : kTopNames) {
        if (span.length == std::strlen(name) && std::memcmp(span.data, name, span.length) == 0) {
            return true;
        }
    }
    return false;
}

void CheckBookmarks(Format format, const std::string& text) {
    fuzz::Area buffer = fuzz::Copy(text);
    BookmarkTree tree;
    const JsonReadResult result = format == Format::kChromium
                                      ? ReadChromiumBookmarks(buffer.get(), text.size(), tree)
                                      : ReadFirefoxBookmarks(buffer.get(), text.size(), tree);
    rapidjson::Document document;
    const bool json = ParseCopy(text, document, true) && text.find('\0') == std::string::npos;
    FUZZ_CHECK((result.problem == JsonProblem::kNotJson) == !json);
    FUZZ_CHECK(result.offset <= text.size());
    if (result.problem != JsonProblem::kNone) {
        FUZZ_CHECK(tree.nodes.empty());
    }

    size_t folders = 0, links = 0;
    for (size_t i = 0; i < tree.nodes.size(); ++i) {
        const BookmarkNode& node = tree.nodes[i];
        FUZZ_CHECK(InBuffer(node.name, buffer.get(), text.size()) ||
                   (node.parent < 0 && IsTopName(node.name)));
        FUZZ_CHECK(InBuffer(node.url, buffer.get(), text.size()));
        FUZZ_CHECK(InBuffer(node.key, buffer.get(), text.size()));
        FUZZ_CHECK(node.parent >= -1 && node.parent < static_cast<int>(i));
        FUZZ_CHECK(node.parent < 0 || tree.nodes[node.parent].kind == BookmarkKind::kFolder);
        folders += node.kind == BookmarkKind::kFolder;
        links += node.kind == BookmarkKind::kLink;
    }

    BookmarksWritten written;
    const std::string list = WriteList(tree, written);
    FUZZ_CHECK(!written.failed);
    CheckList(list, written);
    BookmarksWritten again;
    FUZZ_CHECK(WriteList(tree, again) == list);

    // The document's own reading, numbers as numbers, where it can hold them all.
    Expected expected;
    rapidjson::Document numbers;
    if (json && ParseCopy(text, numbers, false)) {
        const bool found = ExpectedNodes(numbers, format, expected);
        FUZZ_CHECK((result.problem == JsonProblem::kNoBookmarks) == !found);
        if (found && !expected.tooDeep) {
            FUZZ_CHECK(folders == expected.folders && links == expected.links);
            FUZZ_CHECK(tree.nodes.size() == expected.folders + expected.links + expected.others);
            FUZZ_CHECK(written.broken == static_cast<int>(expected.broken));
            FUZZ_CHECK(written.links == static_cast<int>(expected.links - expected.broken));
        }
    }
}

void CheckProfileNames(const std::string& text) {
    fuzz::Area buffer = fuzz::Copy(text);
    std::vector<ProfileName> names;
    const JsonReadResult result = ReadChromiumProfileNames(buffer.get(), text.size(), names);
    rapidjson::Document document;
    const bool json = ParseCopy(text, document, true) && text.find('\0') == std::string::npos;
    FUZZ_CHECK((result.problem == JsonProblem::kNotJson) == !json);
    FUZZ_CHECK(result.problem != JsonProblem::kNoBookmarks);
    if (!json) {
        FUZZ_CHECK(names.empty());
        return;
    }
    // profile.info_cache.<folder>.name, every member of those names. A lone low surrogate
    // is left as it is by RapidJSON and mended by ours: such texts are not compared.
    for (size_t at = text.find("\\u"); at != std::string::npos; at = text.find("\\u", at + 1)) {
        if (at + 3 < text.size() && (text[at + 2] | 0x20) == 'd' &&
            std::string("cdefCDEF").find(text[at + 3]) != std::string::npos) {
            return;
        }
    }
    std::vector<ProfileName> expected;
    const auto members = [](const rapidjson::Value& value, const char* name, const auto& each) {
        if (value.IsObject()) {
            for (const auto& member : value.GetObject()) {
                if (!name || Text(member.name) == name) {
                    each(member);
                }
            }
        }
    };
    members(document, "profile", [&](const auto& profile) {
        members(profile.value, "info_cache", [&](const auto& cache) {
            members(cache.value, nullptr, [&](const auto& folder) {
                members(folder.value, "name", [&](const auto& name) {
                    if (name.value.IsString()) {
                        expected.push_back({Text(folder.name), Text(name.value)});
                    }
                });
            });
        });
    });
    FUZZ_CHECK(names.size() == expected.size());
    for (size_t i = 0; i < names.size(); ++i) {
        FUZZ_CHECK(names[i].folder == expected[i].folder && names[i].name == expected[i].name);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input input(data, size);
    const uint8_t choice = input.Byte();
    const std::string text = input.Rest();
    switch (choice % 3) {
    case 0:
        CheckBookmarks(Format::kChromium, text);
        break;
    case 1:
        CheckBookmarks(Format::kFirefox, text);
        break;
    default:
        CheckProfileNames(text);
        break;
    }
    return 0;
}
