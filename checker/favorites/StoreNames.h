// The names one favorite has in the page-copy store and in the report pages, built in one place
// from the Favorites folder (the run's root), the shortcut's path and userPrefix.
#pragma once

#include "favorites/FavoritesList.h"

struct StoreNames {
    // The shortcut's place below the root, from a separator on, ".url" replaced by ".htm":
    // \News\Daily.htm.
    char storeName[kListLineSize];
    // The shortcut's path below the root, without a leading separator: News\Daily.url.
    char relativeName[kListLineSize];
    // Where the probe writes the fresh copy: userPrefix, the store name and "_".
    char newCopyPath[kPathSize];
    // The folder of the new copy, with its trailing separator, for CreateFolderChain.
    char copyFolder[kPathSize];
};

// Builds all names of one favorite. False when the shortcut does not lie below root, does not end
// in .url (in any case), or a name does not fit: such a favorite gets no copy of its page.
bool BuildStoreNames(const char* root, const char* shortcutPath, const char* prefix,
                     StoreNames& names);

// Where the probe writes the fresh copy of the page whose store name is storeName (prefix, the
// name and "_"), and that copy's folder with its trailing separator; both kPathSize bytes. False,
// with both empty, when the path does not fit.
bool BuildCopyPaths(const char* prefix, const char* storeName, char* newCopyPath, char* copyFolder);

// The stored copy's path: the new copy's path without its final "_".
bool StoredCopyPath(const char* newCopy, char* result, size_t size);
