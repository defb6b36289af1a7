// The JSON the browsers keep their bookmarks in: a Chromium browser's Bookmarks file and its
// Local State (the profiles' names), and the JSON of a Firefox bookmarks backup. Read with
// RapidJSON's SAX reader over the text in place: iteratively, so that no nesting exhausts the
// stack, and without a tree of its own, so that a file of 20 MB costs little more than itself.
// Pure: no windows.h.
#pragma once

#include "favorites/Bookmarks.h"

#include <cstddef>
#include <string>
#include <vector>

enum class JsonProblem {
    kNone,
    kNotJson,      // not well-formed JSON (cut short, binary, ...): offset says where
    kNoBookmarks,  // JSON, but without what bookmarks are kept in ("roots", a root folder)
};

struct JsonReadResult {
    JsonProblem problem = JsonProblem::kNone;
    size_t offset = 0; // where the text stopped being JSON
};

// Reads the nodes of the text (length bytes, then a zero byte; changed in place, and the
// tree's texts point into it) into tree. A lone UTF-16 surrogate written as an escape (a title
// cut by a script) is read as the replacement character instead of spoiling the file.
JsonReadResult ReadChromiumBookmarks(char* text, size_t length, BookmarkTree& tree);
// A backup's root folder is the document; its top folders get the names Firefox shows, and the
// tags root goes with all below it (its entries are the tags of bookmarks listed elsewhere).
JsonReadResult ReadFirefoxBookmarks(char* text, size_t length, BookmarkTree& tree);

// Firefox's root folders by guid, as its backups and its database both name them.
constexpr char kFirefoxRootGuid[] = "root________";
constexpr char kFirefoxTagsGuid[] = "tags________";
// The name Firefox shows for one of its top folders (UTF-8); nullptr for any other guid.
const char* FirefoxTopName(TextSpan guid);

// The names a Chromium browser shows for its profiles, from its Local State file: each
// profile's folder name (Default, Profile 1, ...) and its name (UTF-8).
struct ProfileName {
    std::string folder;
    std::string name;
};
JsonReadResult ReadChromiumProfileNames(char* text, size_t length,
                                        std::vector<ProfileName>& names);
