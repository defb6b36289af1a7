// The committed table of what old Windows versions export.
#include "WindowsExports.h"

#include <cctype>
#include <fstream>
#include <sstream>

namespace pe {
namespace {

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string Key(const std::string& dll, const std::string& function) {
    return Upper(dll) + "!" + function;
}

const std::set<std::string> kSystems = {"win95", "nt351", "nt40"};

} // namespace

bool ExportTable::Load(const std::string& path, std::string& error) {
    std::ifstream file(path);
    if (!file) {
        error = "cannot read " + path;
        return false;
    }
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        const std::string text = line.substr(0, line.find('#'));
        std::istringstream words(text);
        std::string dll, function, word;
        if (!(words >> dll)) continue;
        bool ok = static_cast<bool>(words >> function);
        bool any = false, none = false;
        std::set<std::string> systems;
        while (ok && words >> word) {
            any = true;
            if (word == "none") {
                none = true;
            } else if (kSystems.count(word)) {
                systems.insert(word);
            } else {
                ok = false;
            }
        }
        if (!ok || !any || (none && !systems.empty()) || systems_.count(Key(dll, function))) {
            std::ostringstream message;
            message << path << ":" << number << ": not \"DLL function system...\" or listed twice: "
                    << line;
            error = message.str();
            return false;
        }
        systems_[Key(dll, function)] = systems;
    }
    return true;
}

bool ExportTable::Exports(const std::string& system, const std::string& dll,
                          const std::string& function) const {
    for (const std::string& name : {function, std::string("*")}) {
        const auto found = systems_.find(Key(dll, name));
        if (found != systems_.end() && found->second.count(system)) return true;
    }
    return false;
}

std::vector<std::string> MissingImports(const Image& image, const ExportTable& table,
                                        const std::vector<std::string>& systems) {
    std::vector<std::string> missing;
    for (const Import& import : image.imports) {
        const std::string function =
            import.function.empty() ? "#" + std::to_string(import.ordinal) : import.function;
        std::string lacking;
        for (const std::string& system : systems) {
            if (!table.Exports(system, import.dll, function)) {
                lacking += (lacking.empty() ? "" : ", ") + system;
            }
        }
        if (!lacking.empty()) {
            missing.push_back(Upper(import.dll) + "!" + function + " (" + lacking + ")");
        }
    }
    return missing;
}

} // namespace pe
