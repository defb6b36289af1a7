// One SAX handler reads both browsers' bookmark nodes: a node is an object whose fields (in any
// order: Chromium writes "children" before "name") fill its row of the table, and whose
// "children" array holds further nodes. Everything else is passed over by depth alone.
#include "favorites/BookmarksJson.h"

#include <rapidjson/reader.h>

#include <cstdint>
#include <cstring>

namespace {

// What a format calls the parts of a node.
struct Dialect {
    const char* name;
    const char* url;
    const char* linkType;
    const char* folderType;
    bool rootsObject; // Chromium: the top folders are the members of "roots"; Firefox: the
                      // document is the root folder, and its children are the top folders
};

constexpr Dialect kChromium = {"name", "url", "url", "folder", true};
constexpr Dialect kFirefox = {"title", "uri", "text/x-moz-place", "text/x-moz-place-container",
                              false};

// Top folders as the browsers show them where the file gives no name (UTF-8).
struct TopName {
    const char* key;
    const char* name;
};
constexpr TopName kChromiumTops[] = {
    {"bookmark_bar", u8"ブックマーク バー"},
    {"other", u8"その他のブックマーク"},
    {"synced", u8"モバイルのブックマーク"},
};
// Firefox's top folders have internal titles (menu, toolbar, ...) in the file.
constexpr TopName kFirefoxTops[] = {
    {"menu________", u8"ブックマークメニュー"},
    {"toolbar_____", u8"ブックマークツールバー"},
    {"unfiled_____", u8"他のブックマーク"},
    {"mobile______", u8"モバイルブックマーク"},
};

bool Same(TextSpan text, const char* word) {
    return text.length == std::strlen(word) && std::memcmp(text.data, word, text.length) == 0;
}

template <size_t N> const char* TopNameFor(const TopName (&tops)[N], TextSpan key) {
    for (const TopName& top : tops) {
        if (Same(key, top.key)) {
            return top.name;
        }
    }
    return nullptr;
}

TextSpan Span(const char* text) {
    return {text, std::strlen(text)};
}

enum class Field : unsigned char { kOther, kName, kUrl, kGuid, kId, kType, kChildren, kRoots };

class NodeHandler {
public:
    NodeHandler(const Dialect& dialect, BookmarkTree& tree) : dialect_(dialect), tree_(tree) {}

    // Where bookmarks are kept was there: Chromium's roots, the children of Firefox's root.
    bool sawRoots = false;

    bool StartObject() {
        if (skip_) {
            ++skip_;
            return true;
        }
        if (frames_.empty()) {
            frames_.push_back({dialect_.rootsObject ? Frame::kDocument : Frame::kNode, -1});
            return true;
        }
        Frame& top = frames_.back();
        if (top.kind == Frame::kDocument && top.field == Field::kRoots) {
            sawRoots = true;
            frames_.push_back({Frame::kRoots, -1});
        } else if (top.kind == Frame::kRoots) {
            const int index = NewNode(-1);
            tree_.nodes[index].kind = BookmarkKind::kFolder;
            // Its name as the browser shows it, until the file gives one of its own.
            const char* name = TopNameFor(kChromiumTops, top.key);
            tree_.nodes[index].name = name ? Span(name) : top.key;
            frames_.push_back({Frame::kNode, index});
        } else if (top.kind == Frame::kChildren) {
            frames_.push_back({Frame::kNode, NewNode(top.node)});
        } else {
            skip_ = 1;
        }
        return true;
    }

    bool EndObject(rapidjson::SizeType) {
        if (skip_) {
            --skip_;
            return true;
        }
        if (frames_.back().kind == Frame::kNode && frames_.back().node >= 0) {
            Finish(frames_.back().node);
        }
        frames_.pop_back();
        EndValue();
        return true;
    }

    bool StartArray() {
        if (skip_) {
            ++skip_;
            return true;
        }
        if (!frames_.empty() && frames_.back().kind == Frame::kNode &&
            frames_.back().field == Field::kChildren) {
            sawRoots = sawRoots || frames_.back().node < 0;
            frames_.push_back({Frame::kChildren, frames_.back().node});
            return true;
        }
        skip_ = 1;
        return true;
    }

    bool EndArray(rapidjson::SizeType) {
        if (skip_) {
            --skip_;
            return true;
        }
        frames_.pop_back();
        EndValue();
        return true;
    }

    bool Key(const char* text, rapidjson::SizeType length, bool) {
        if (skip_ || frames_.empty()) {
            return true;
        }
        Frame& top = frames_.back();
        const TextSpan key{text, length};
        top.key = key;
        if (top.kind == Frame::kDocument) {
            top.field = Same(key, "roots") ? Field::kRoots : Field::kOther;
        } else if (top.kind == Frame::kNode) {
            top.field = Same(key, dialect_.name)  ? Field::kName
                        : Same(key, dialect_.url) ? Field::kUrl
                        : Same(key, "guid")       ? Field::kGuid
                        : Same(key, "id")         ? Field::kId
                        : Same(key, "type")       ? Field::kType
                        : Same(key, "children")   ? Field::kChildren
                                                  : Field::kOther;
        }
        return true;
    }

    bool String(const char* text, rapidjson::SizeType length, bool) {
        if (skip_ || frames_.empty() || frames_.back().kind != Frame::kNode ||
            frames_.back().node < 0) {
            return true;
        }
        BookmarkNode& node = tree_.nodes[frames_.back().node];
        const TextSpan value{text, length};
        switch (frames_.back().field) {
        case Field::kName:
            // A top folder without a name of its own keeps the one the browser shows.
            if (length || node.parent >= 0 || !dialect_.rootsObject) {
                node.name = value;
            }
            break;
        case Field::kUrl:
            node.url = value;
            node.urlNotText = false;
            break;
        case Field::kGuid:
            node.key = value;
            frames_.back().keyIsGuid = true;
            break;
        case Field::kId:
            if (!frames_.back().keyIsGuid) {
                node.key = value; // older files have no guid: the id stays as long
            }
            break;
        case Field::kType:
            node.kind = Same(value, dialect_.linkType)     ? BookmarkKind::kLink
                        : Same(value, dialect_.folderType) ? BookmarkKind::kFolder
                                                           : BookmarkKind::kOther;
            if (node.parent < 0 && dialect_.rootsObject) {
                node.kind = BookmarkKind::kFolder;
            }
            break;
        default:
            break;
        }
        EndValue();
        return true;
    }

    // A value that is no text: for a URL, a fault of the file that the user is told of.
    bool Scalar() {
        if (!skip_ && !frames_.empty() && frames_.back().kind == Frame::kNode &&
            frames_.back().node >= 0 && frames_.back().field == Field::kUrl) {
            tree_.nodes[frames_.back().node].urlNotText = true;
        }
        EndValue();
        return true;
    }
    bool Null() { return Scalar(); }
    bool Bool(bool) { return Scalar(); }
    bool Int(int) { return Scalar(); }
    bool Uint(unsigned) { return Scalar(); }
    bool Int64(int64_t) { return Scalar(); }
    bool Uint64(uint64_t) { return Scalar(); }
    bool Double(double) { return Scalar(); }
    bool RawNumber(const char*, rapidjson::SizeType, bool) { return Scalar(); }

private:
    struct Frame {
        enum Kind : unsigned char { kDocument, kRoots, kNode, kChildren } kind;
        int node; // the node it is, or whose children it holds; -1 for Firefox's root
        Field field = Field::kOther;
        TextSpan key{};
        bool keyIsGuid = false;
    };

    int NewNode(int parent) {
        tree_.nodes.emplace_back();
        tree_.nodes.back().parent = parent;
        return static_cast<int>(tree_.nodes.size() - 1);
    }

    void Finish(int index) {
        BookmarkNode& node = tree_.nodes[index];
        if (!dialect_.rootsObject && node.parent < 0) {
            if (Same(node.key, kFirefoxTagsGuid)) {
                tree_.nodes.resize(static_cast<size_t>(index));
                return;
            }
            if (const char* name = FirefoxTopName(node.key)) {
                node.name = Span(name);
            }
        }
        // A link whose URL field came as an object or array is as broken as one with a number.
        if (node.kind == BookmarkKind::kLink && !node.url.data) {
            node.urlNotText = true;
        }
        // Its type may follow its children: what a link or separator "holds" was read before
        // it was known to be no folder, and goes, so that every parent is a folder.
        if (node.kind != BookmarkKind::kFolder) {
            tree_.nodes.resize(static_cast<size_t>(index) + 1);
        }
    }

    // After a member's value the next key decides again.
    void EndValue() {
        if (!skip_ && !frames_.empty()) {
            frames_.back().field = Field::kOther;
        }
    }

    const Dialect& dialect_;
    BookmarkTree& tree_;
    std::vector<Frame> frames_;
    int skip_ = 0; // depth inside a value that is passed over
};

bool HexDigits(const char* text, unsigned* value) {
    unsigned v = 0;
    for (int i = 0; i < 4; ++i) {
        const char c = text[i];
        const int digit = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                 : -1;
        if (digit < 0) {
            return false;
        }
        v = v * 16 + static_cast<unsigned>(digit);
    }
    *value = v;
    return true;
}

// Every escape of a lone surrogate (\ud800 not followed by a low one, or a low one alone)
// becomes \ufffd, the same length: RapidJSON refuses the whole file for one.
void MendLoneSurrogates(char* text, size_t length) {
    size_t i = 0;
    while (i + 1 < length) {
        if (text[i] != '\\') {
            ++i;
            continue;
        }
        unsigned unit;
        if (text[i + 1] != 'u' || i + 6 > length || !HexDigits(text + i + 2, &unit)) {
            i += 2; // any other escape, "\\\\" among them
            continue;
        }
        unsigned low;
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 12 <= length && text[i + 6] == '\\' &&
            text[i + 7] == 'u' && HexDigits(text + i + 8, &low) && low >= 0xDC00 &&
            low <= 0xDFFF) {
            i += 12;
            continue;
        }
        if (unit >= 0xD800 && unit <= 0xDFFF) {
            std::memcpy(text + i + 2, "fffd", 4);
        }
        i += 6;
    }
}

constexpr unsigned kFlags =
    rapidjson::kParseInsituFlag | rapidjson::kParseIterativeFlag |
    rapidjson::kParseNumbersAsStringsFlag;

// A zero byte inside the text ends it for the reader: what it would not read is no JSON.
template <typename Handler> JsonReadResult Parse(char* text, size_t length, Handler& handler) {
    const size_t textLength = std::strlen(text); // before the parse writes zero bytes into it
    MendLoneSurrogates(text, textLength);
    rapidjson::Reader reader;
    rapidjson::InsituStringStream stream(text);
    const rapidjson::ParseResult parsed = reader.Parse<kFlags>(stream, handler);
    JsonReadResult result;
    if (parsed.IsError()) {
        result.problem = JsonProblem::kNotJson;
        result.offset = parsed.Offset();
    } else if (textLength < length) {
        result.problem = JsonProblem::kNotJson;
        result.offset = textLength;
    }
    return result;
}

JsonReadResult ReadNodes(const Dialect& dialect, char* text, size_t length, BookmarkTree& tree) {
    tree.nodes.clear();
    NodeHandler handler(dialect, tree);
    JsonReadResult result = Parse(text, length, handler);
    if (result.problem == JsonProblem::kNone && !handler.sawRoots) {
        result.problem = JsonProblem::kNoBookmarks;
    }
    if (result.problem != JsonProblem::kNone) {
        tree.nodes.clear();
    }
    return result;
}

// Local State: profile.info_cache.<folder>.name, wherever in the file it stands.
class ProfileNameHandler : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, ProfileNameHandler> {
public:
    explicit ProfileNameHandler(std::vector<ProfileName>& names) : names_(names) {}

    bool StartObject() {
        path_.push_back({});
        return true;
    }
    bool EndObject(rapidjson::SizeType) {
        path_.pop_back();
        return true;
    }
    bool StartArray() {
        path_.push_back({});
        return true;
    }
    bool EndArray(rapidjson::SizeType) {
        path_.pop_back();
        return true;
    }
    bool Key(const char* text, rapidjson::SizeType length, bool) {
        path_.back() = {text, length};
        return true;
    }
    bool String(const char* text, rapidjson::SizeType length, bool) {
        if (path_.size() == 4 && Same(path_[0], "profile") && Same(path_[1], "info_cache") &&
            Same(path_[3], "name")) {
            names_.push_back({std::string(path_[2].data, path_[2].length),
                              std::string(text, length)});
        }
        return true;
    }
    bool RawNumber(const char*, rapidjson::SizeType, bool) { return true; } // no name
    bool Default() { return true; }

private:
    std::vector<ProfileName>& names_;
    std::vector<TextSpan> path_;
};

} // namespace

JsonReadResult ReadChromiumBookmarks(char* text, size_t length, BookmarkTree& tree) {
    return ReadNodes(kChromium, text, length, tree);
}

JsonReadResult ReadFirefoxBookmarks(char* text, size_t length, BookmarkTree& tree) {
    return ReadNodes(kFirefox, text, length, tree);
}

const char* FirefoxTopName(TextSpan guid) {
    return TopNameFor(kFirefoxTops, guid);
}

JsonReadResult ReadChromiumProfileNames(char* text, size_t length,
                                        std::vector<ProfileName>& names) {
    names.clear();
    ProfileNameHandler handler(names);
    JsonReadResult result = Parse(text, length, handler);
    if (result.problem != JsonProblem::kNone) {
        names.clear();
    }
    return result;
}
