// Symbol dumps of real pages compared with the dumps kept next to them. UPDATE_GOLDENS=1
// rewrites the kept dumps; a mismatch leaves the actual dump in the build tree.
#include "html/symbol_dump.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

void writeFile(const fs::path& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary);
    out << data;
}

} // namespace

TEST(SymbolGoldens, PagesScanAsRecorded) {
    const fs::path dir = fs::path(TEST_DATA_DIR) / "html";
    const bool update = std::getenv("UPDATE_GOLDENS") != nullptr;
    int pages = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() != ".htm") continue;
        ++pages;
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        std::string actual = html::DumpSymbols(testsupport::readFile(entry.path().string()));
        fs::path golden = entry.path();
        golden.replace_extension(".symbols");
        if (update) {
            writeFile(golden, actual);
            continue;
        }
        ASSERT_TRUE(fs::exists(golden)) << "no golden; run with UPDATE_GOLDENS=1";
        if (testsupport::readFile(golden.string()) != actual) {
            fs::path out = fs::path(TEST_BINARY_DIR) / "html_goldens";
            fs::create_directories(out);
            writeFile(out / golden.filename(), actual);
            ADD_FAILURE() << "dump differs; actual in " << (out / golden.filename()).string();
        }
    }
    EXPECT_GE(pages, 4);
}
