// The shipped programs load on the oldest Windows they serve: every import is exported there,
// and the header asks for no newer Windows. Wine has every function, so only this shows it.
// Today's Windows read their manifests: what each asks for is checked here too.
#include "PeImage.h"
#include "WindowsExports.h"

#include <expat.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <strings.h>

namespace {

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += "\n  " + line;
    return text;
}

pe::ExportTable LoadTable() {
    pe::ExportTable table;
    std::string error;
    EXPECT_TRUE(table.Load(EXPORT_TABLE, error)) << error;
    return table;
}

pe::Image LoadImage(const std::string& path) {
    std::vector<uint8_t> bytes;
    pe::Image image;
    std::string error;
    EXPECT_TRUE(pe::ReadFileBytes(path, bytes)) << path;
    EXPECT_TRUE(pe::ReadImage(bytes, image, error)) << path << ": " << error;
    return image;
}

struct Shipped {
    const char* name;
    std::vector<std::string> systems; // the oldest Windows versions the program serves
};

std::ostream& operator<<(std::ostream& out, const Shipped& program) {
    return out << program.name;
}

class ShippedProgram : public testing::TestWithParam<Shipped> {
protected:
    std::string Path() const { return std::string(PE32_SHIPPED_DIR) + "/" + GetParam().name; }
};

TEST_P(ShippedProgram, ImportsOnlyWhatItsOldestWindowsExport) {
    const pe::Image image = LoadImage(Path());
    ASSERT_FALSE(image.imports.empty());
    const auto missing = pe::MissingImports(image, LoadTable(), GetParam().systems);
    EXPECT_TRUE(missing.empty()) << GetParam().name << " imports what these Windows lack:"
                                 << Joined(missing);
}

TEST_P(ShippedProgram, HeaderAsksForWindows4AtMost) {
    const pe::Image image = LoadImage(Path());
    EXPECT_EQ(0x14c, image.machine) << "an i386 program";
    EXPECT_FALSE(image.pe32plus);
    EXPECT_EQ(2, image.subsystem) << "a windowed program";
    EXPECT_LE(image.osMajor * 100 + image.osMinor, 400)
        << "operating system version " << image.osMajor << "." << image.osMinor;
    EXPECT_LE(image.subsystemMajor * 100 + image.subsystemMinor, 400)
        << "subsystem version " << image.subsystemMajor << "." << image.subsystemMinor;
}

INSTANTIATE_TEST_SUITE_P(Shipped, ShippedProgram,
                         testing::Values(Shipped{"checker/Vexilo.exe", {"win95", "nt40"}},
                                         Shipped{"installer/Tovamere.exe",
                                                 {"win95", "nt351", "nt40"}}),
                         [](const auto& info) {
                             return std::string(info.param.name).find("Vexilo") !=
                                            std::string::npos
                                        ? "Vexilo"
                                        : "Tovamere";
                         });

// A program built with the posix thread model's runtime imports GetTickCount64 (Windows Vista):
// the check must name it.
TEST(ImportCheck, NamesAFunctionOldWindowsLack) {
    const pe::Image image = LoadImage(NEW_API_PROGRAM);
    const auto missing = pe::MissingImports(image, LoadTable(), {"win95", "nt351", "nt40"});
    EXPECT_NE(missing.end(), std::find(missing.begin(), missing.end(),
                                       "KERNEL32.DLL!GetTickCount64 (win95, nt351, nt40)"))
        << Joined(missing);
    EXPECT_EQ(missing.end(), std::find_if(missing.begin(), missing.end(), [](const auto& line) {
                  return line.rfind("KERNEL32.DLL!ExitProcess", 0) == 0;
              })) << "a function every Windows has";
}

// The 64-bit twin's import tables read the same way (eight-byte entries).
TEST(ImportCheck, ReadsPe32PlusPrograms) {
    const pe::Image image = LoadImage(std::string(PE32PLUS_SHIPPED_DIR) + "/checker/Vexilo.exe");
    EXPECT_EQ(0x8664, image.machine);
    EXPECT_TRUE(image.pe32plus);
    EXPECT_NE(image.imports.end(),
              std::find_if(image.imports.begin(), image.imports.end(), [](const pe::Import& i) {
                  return strcasecmp(i.dll.c_str(), "WSOCK32.DLL") == 0 &&
                         i.function == "gethostbyname";
              }));
}

class TableFile : public testing::Test {
protected:
    void TearDown() override { std::remove(path_.c_str()); }
    bool Load(const char* text, pe::ExportTable& table, std::string& error) {
        std::ofstream(path_) << text;
        return table.Load(path_, error);
    }
    std::string path_ = testing::TempDir() + "exports-test.txt";
};

TEST_F(TableFile, ReadsFunctionsWholeDllsAndComments) {
    pe::ExportTable table;
    std::string error;
    ASSERT_TRUE(Load("# comment\n\nKERNEL32.DLL  CloseHandle  win95 nt351 nt40  # all\n"
                     "kernel32.dll  GetTickCount64  none\n"
                     "WS2_32.DLL    *  nt40\n",
                     table, error))
        << error;
    EXPECT_TRUE(table.Exports("nt351", "Kernel32.dll", "CloseHandle"));
    EXPECT_FALSE(table.Exports("nt40", "KERNEL32.dll", "GetTickCount64"));
    EXPECT_FALSE(table.Exports("nt40", "KERNEL32.dll", "closehandle")) << "names keep their case";
    EXPECT_TRUE(table.Exports("nt40", "ws2_32.dll", "WSAStartup"));
    EXPECT_FALSE(table.Exports("win95", "ws2_32.dll", "WSAStartup"));
}

TEST_F(TableFile, RefusesLinesItCannotRead) {
    const struct {
        const char* text;
        const char* line;
    } cases[] = {
        {"KERNEL32.DLL CloseHandle\n", ":1:"},             // no system
        {"KERNEL32.DLL CloseHandle win31\n", ":1:"},       // a system it does not know
        {"KERNEL32.DLL CloseHandle none nt40\n", ":1:"},   // none and a system
        {"KERNEL32.DLL A win95\nKERNEL32.dll A nt40\n", ":2:"}, // twice
    };
    for (const auto& c : cases) {
        pe::ExportTable table;
        std::string error;
        EXPECT_FALSE(Load(c.text, table, error)) << c.text;
        EXPECT_NE(std::string::npos, error.find(c.line)) << error;
    }
}

// A damaged program is refused, never read past its end: every cut of a real one, and headers
// that point outside the file.
TEST(PeImageDamaged, IsRefusedWithoutReadingOutside) {
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(pe::ReadFileBytes(std::string(PE32_SHIPPED_DIR) + "/installer/Tovamere.exe", bytes));
    pe::Image image;
    std::string error;
    for (size_t length : {0, 2, 0x40, 0x90, 0x100, 0x200}) {
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + length);
        EXPECT_FALSE(pe::ReadImage(cut, image, error)) << "cut at " << length;
    }
    std::vector<uint8_t> far = bytes;
    far[0x3C] = 0xF0;
    far[0x3F] = 0x7F; // the PE header 2 GB away
    EXPECT_FALSE(pe::ReadImage(far, image, error));
    EXPECT_EQ("no PE signature", error);

    std::vector<uint8_t> lost = bytes;
    const size_t importDirectory = (bytes[0x3C] | bytes[0x3D] << 8) + 24 + 96 + 8;
    for (size_t i = 0; i < 4; ++i) lost[importDirectory + i] = 0xF0;
    EXPECT_FALSE(pe::ReadImage(lost, image, error));
    EXPECT_EQ("import table outside the sections", error);

    std::vector<uint8_t> noResources = bytes;
    for (size_t i = 0; i < 4; ++i) noResources[importDirectory + 8 + i] = 0xF0;
    EXPECT_FALSE(pe::ReadImage(noResources, image, error));
    EXPECT_EQ("resource table outside the sections", error);
}

} // namespace

namespace manifest {

// Every element of a manifest as Windows' parser sees it: its namespace and name
// ("urn:...|assemblyIdentity"), its attributes and its text. Windows ignores an element in a
// namespace it does not expect, so the namespace is part of every name looked for.
struct Element {
    std::string name;
    std::map<std::string, std::string> attributes;
    std::string text;
};

struct Reading {
    std::vector<Element> elements;
    std::vector<size_t> open;
};

bool Parse(const std::string& text, std::vector<Element>& elements, std::string& error) {
    Reading reading;
    XML_Parser parser = XML_ParserCreateNS(nullptr, '|');
    XML_SetUserData(parser, &reading);
    XML_SetElementHandler(
        parser,
        [](void* data, const XML_Char* name, const XML_Char** attributes) {
            auto* r = static_cast<Reading*>(data);
            Element element{name, {}, {}};
            for (size_t i = 0; attributes[i]; i += 2)
                element.attributes[attributes[i]] = attributes[i + 1];
            r->open.push_back(r->elements.size());
            r->elements.push_back(element);
        },
        [](void* data, const XML_Char*) { static_cast<Reading*>(data)->open.pop_back(); });
    XML_SetCharacterDataHandler(parser, [](void* data, const XML_Char* s, int length) {
        auto* r = static_cast<Reading*>(data);
        r->elements[r->open.back()].text.append(s, static_cast<size_t>(length));
    });
    const bool read =
        XML_Parse(parser, text.data(), static_cast<int>(text.size()), 1) != XML_STATUS_ERROR;
    if (!read) {
        error = std::string(XML_ErrorString(XML_GetErrorCode(parser))) + " at line " +
                std::to_string(XML_GetCurrentLineNumber(parser));
    }
    XML_ParserFree(parser);
    elements = reading.elements;
    return read;
}

constexpr char kAssembly[] = "urn:schemas-microsoft-com:asm.v1|";
constexpr char kCompatibility[] = "urn:schemas-microsoft-com:compatibility.v1|";
constexpr char kSettings2005[] = "http://schemas.microsoft.com/SMI/2005/WindowsSettings|";
constexpr char kSettings2016[] = "http://schemas.microsoft.com/SMI/2016/WindowsSettings|";

std::vector<const Element*> Named(const std::vector<Element>& elements, const std::string& name) {
    std::vector<const Element*> found;
    for (const Element& e : elements) {
        if (e.name == name)
            found.push_back(&e);
    }
    return found;
}

// Execution levels Windows reads under either trustInfo namespace (v2 for Windows XP's sake).
std::vector<const Element*> ExecutionLevels(const std::vector<Element>& elements) {
    std::vector<const Element*> found;
    for (const Element& e : elements) {
        if (e.name.size() > 24 &&
            e.name.compare(e.name.size() - 24, 24, "|requestedExecutionLevel") == 0)
            found.push_back(&e);
    }
    return found;
}

struct Program {
    const char* shippedDir;
    const char* name;
    const char* executionLevel; // nullptr: none at all, so that Windows keeps its VirtualStore
};

std::ostream& operator<<(std::ostream& out, const Program& program) {
    return out << program.shippedDir << "/" << program.name;
}

class ShippedManifest : public testing::TestWithParam<Program> {
protected:
    void SetUp() override {
        const pe::Image image =
            LoadImage(std::string(GetParam().shippedDir) + "/" + GetParam().name);
        ASSERT_FALSE(image.manifest.empty()) << "no manifest resource";
        std::string error;
        ASSERT_TRUE(Parse(image.manifest, elements_, error))
            << "Windows refuses to start a program whose manifest is not well-formed: " << error;
    }
    std::vector<Element> elements_;
};

TEST_P(ShippedManifest, NamesTheWindowsItKnows) {
    std::vector<std::string> ids;
    for (const Element* e : Named(elements_, std::string(kCompatibility) + "supportedOS"))
        ids.push_back(e->attributes.at("Id"));
    for (const char* id : {"{e2011457-1546-43c5-a5fe-008deee3d3f0}",  // Vista
                           "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // 7
                           "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // 8
                           "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // 8.1
                           "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}) // 10 and 11
        EXPECT_NE(ids.end(), std::find(ids.begin(), ids.end(), id)) << id;
}

TEST_P(ShippedManifest, SystemDpiAwareOnly) {
    const auto aware = Named(elements_, std::string(kSettings2005) + "dpiAware");
    ASSERT_EQ(1u, aware.size());
    EXPECT_EQ("true", aware[0]->text) << "system awareness; \"true/pm\" would be per monitor";
    // Per-monitor awareness would need the windows to follow WM_DPICHANGED, which they do not.
    EXPECT_TRUE(Named(elements_, std::string(kSettings2016) + "dpiAwareness").empty());
}

TEST_P(ShippedManifest, UsesTheVersion6CommonControls) {
    const auto identities = Named(elements_, std::string(kAssembly) + "assemblyIdentity");
    EXPECT_NE(
        identities.end(), std::find_if(identities.begin(), identities.end(), [](const Element* e) {
            const auto& a = e->attributes;
            return a.count("name") && a.at("name") == "Microsoft.Windows.Common-Controls" &&
                   a.count("version") && a.at("version") == "6.0.0.0" &&
                   a.count("publicKeyToken") && a.at("publicKeyToken") == "6595b64144ccf1df" &&
                   a.count("processorArchitecture") && a.at("processorArchitecture") == "*";
        }));
    EXPECT_EQ(1u, Named(elements_, std::string(kAssembly) + "dependentAssembly").size());
}

TEST_P(ShippedManifest, AsksForItsExecutionLevel) {
    const auto levels = ExecutionLevels(elements_);
    if (!GetParam().executionLevel) {
        EXPECT_TRUE(levels.empty())
            << "an execution level ends the VirtualStore the store relies on";
        return;
    }
    ASSERT_EQ(1u, levels.size());
    EXPECT_EQ(GetParam().executionLevel, levels[0]->attributes.at("level"));
    EXPECT_EQ("false", levels[0]->attributes.at("uiAccess"));
}

INSTANTIATE_TEST_SUITE_P(
    Shipped, ShippedManifest,
    testing::Values(Program{PE32_SHIPPED_DIR, "checker/Vexilo.exe", nullptr},
                    Program{PE32_SHIPPED_DIR, "installer/Tovamere.exe", "requireAdministrator"},
                    Program{PE32PLUS_SHIPPED_DIR, "checker/Vexilo.exe", nullptr},
                    Program{PE32PLUS_SHIPPED_DIR, "installer/Tovamere.exe",
                            "requireAdministrator"}),
    [](const auto& info) {
        return std::string(info.param.shippedDir == std::string(PE32_SHIPPED_DIR) ? "Pe32"
                                                                                  : "Pe32Plus") +
               (info.param.executionLevel ? "Tovamere" : "Vexilo");
    });

} // namespace manifest
