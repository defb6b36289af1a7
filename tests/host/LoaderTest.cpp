// The shipped programs load on the oldest Windows they serve: every import is exported there,
// and the header asks for no newer Windows. Wine has every function, so only this shows it.
#include "PeImage.h"
#include "WindowsExports.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
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
}

} // namespace
