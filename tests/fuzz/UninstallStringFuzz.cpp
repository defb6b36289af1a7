// The two texts an uninstallation is found by: the registered UninstallString, whose program's
// folder the next installation is offered, and the command line of the copy that removes it
// ("x" and the installed program's path). The folder must be the path's own, up to a real
// backslash; the setup file must be the program's folder and its name with "INF" in place of
// its last three characters, never a cut path that names another file.
#include "main/StartUp.h"
#include "setupfile/EntryText.h"

#include "FuzzCheck.h"

namespace {

void CheckUninstallString(const std::string& value, size_t size) {
    fuzz::Area folder(size);
    const bool found = FolderOfUninstallString(value.c_str(), folder.get(), size);
    const bool quoted = !value.empty() && value[0] == '"';
    const std::string path = quoted ? value.substr(1) : value;
    const size_t end = fuzz::FindChar(path, quoted ? '"' : ' ');
    const size_t slash = fuzz::FindLastChar(path, '\\', end);
    if (slash == std::string::npos) {
        FUZZ_CHECK(!found);
        return;
    }
    FUZZ_CHECK(found == (slash + 1 < size));
    if (found) {
        FUZZ_CHECK(folder.TextIn() == path.substr(0, slash + 1));
    }
}

void CheckStart(const std::string& commandLine, const std::string& modulePath) {
    std::unique_ptr<StartPaths> paths(new StartPaths);
    std::memset(paths.get(), 'Z', sizeof *paths);
    const StartMode mode = ResolveStartPaths(commandLine.c_str(), modulePath.c_str(), *paths);
    if (mode == StartMode::kBadTarget) {
        return;
    }
    if (mode == StartMode::kBadSwitch) {
        // Named as given: a piece of the line that starts where a switch does.
        const std::string named(paths->badSwitch,
                                strnlen(paths->badSwitch, sizeof paths->badSwitch));
        FUZZ_CHECK(!named.empty() && commandLine.find(named) != std::string::npos);
        return;
    }
    // The uninstall run's path is the rest of the line after "x" (or "/x") and one blank, at
    // the start of the line or after a blank; any other mode is about the running program.
    std::string source = modulePath;
    if (mode == StartMode::kUninstallRun) {
        if (commandLine.find('=') != std::string::npos) {
            return; // a /d= value before it may hold an "x " of its own
        }
        bool found = false;
        for (size_t at = 0; at + 1 < commandLine.size() && !found; ++at) {
            const bool startsItem =
                at == 0 || commandLine[at - 1] == ' ' || commandLine[at - 1] == '\t';
            const size_t body = commandLine[at] == '/' ? at + 1 : at;
            if (startsItem && body + 1 < commandLine.size() && commandLine[body] == 'x' &&
                (commandLine[body + 1] == ' ' || commandLine[body + 1] == '\t')) {
                source = commandLine.substr(body + 2);
                found = true;
            }
        }
        FUZZ_CHECK(found);
    }
    const std::string folder(paths->programFolder, strnlen(paths->programFolder, kPathSize));
    const std::string name(paths->exeName, strnlen(paths->exeName, kPathSize));
    const std::string setupName(paths->setupFileName, strnlen(paths->setupFileName, kPathSize));
    const std::string setupPath(paths->setupFilePath, strnlen(paths->setupFilePath, kPathSize));
    FUZZ_CHECK(folder.size() < kPathSize && name.size() < kPathSize);
    FUZZ_CHECK(setupName.size() < kPathSize && setupPath.size() < kPathSize);
    // Folder and name are the source, split after its last real backslash.
    FUZZ_CHECK(folder + name == source);
    const size_t slash = fuzz::FindLastChar(source, '\\');
    FUZZ_CHECK(folder.size() == (slash == std::string::npos ? 0 : slash + 1));
    // The setup file: the name with its last three characters made "INF" (the whole name when
    // it is shorter), beside the program.
    FUZZ_CHECK(setupName.size() >= 3);
    FUZZ_CHECK(setupName.compare(setupName.size() - 3, 3, "INF") == 0);
    const std::string kept = setupName.substr(0, setupName.size() - 3);
    FUZZ_CHECK(fuzz::StartsWith(name, kept) && fuzz::OnBoundary(name, kept.size()));
    FUZZ_CHECK(setupPath == folder + setupName);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input input(data, size);
    const size_t areaSize = input.Byte() + (input.Byte() % 2) * 256;
    const std::string value = input.Text(600);
    const std::string modulePath = input.Text(kPathSize - 1);
    CheckUninstallString(value, areaSize);
    CheckStart(value, modulePath);
    return 0;
}
