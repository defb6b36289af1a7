// Which Windows versions export a DLL's function, from the committed table
// (tests/data/windows-exports.txt), and the imports of a program that a version lacks.
#pragma once

#include "PeImage.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace pe {

class ExportTable {
public:
    // Lines "DLL function system..." ('#' starts a comment); a function "*" stands for every
    // function of the DLL, the system "none" for no system. False, with the line, on a line
    // that does not read so.
    bool Load(const std::string& path, std::string& error);

    // Whether `system` ("win95", "nt351", "nt40") exports the function from the DLL; DLL names
    // compare without case, as the loader compares them.
    bool Exports(const std::string& system, const std::string& dll, const std::string& function) const;

private:
    std::map<std::string, std::set<std::string>> systems_; // "DLL!function" -> systems
};

// Every import of `image` that one of `systems` lacks: "KERNEL32.DLL!GetTickCount64 (win95,
// nt40)"; ordinal imports as "DLL!#ordinal".
std::vector<std::string> MissingImports(const Image& image, const ExportTable& table,
                                        const std::vector<std::string>& systems);

} // namespace pe
