// Symbol dumps of real pages compared with the dumps kept next to them. UPDATE_GOLDENS=1
// rewrites the kept dumps; a mismatch leaves the actual dump in the build tree.
#include "html/symbol_dump.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

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
            std::ofstream(golden, std::ios::binary) << actual;
            continue;
        }
        ASSERT_TRUE(fs::exists(golden)) << "no golden; run with UPDATE_GOLDENS=1";
        if (testsupport::readFile(golden.string()) != actual) {
            fs::path out = fs::path(TEST_BINARY_DIR) / "html_goldens";
            fs::create_directories(out);
            std::ofstream(out / golden.filename(), std::ios::binary) << actual;
            ADD_FAILURE() << "dump differs; actual in " << (out / golden.filename()).string();
        }
    }
    EXPECT_GE(pages, 4);
}
