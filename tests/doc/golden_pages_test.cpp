// Golden pages: every page under tests/data/pages is built, laid out at 700 pixels and
// compared with its layout dump (<page>.layout); it is also drawn into a PNG in the build
// tree (tests/pages/<page>.png) for people to look at. UPDATE_GOLDENS=1 rewrites the dumps.
#include "doc/doc_page.h"
#include "image/image_support.h"
#include "test_support.h"

#include <QDir>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using namespace doc;

namespace {

const std::string PagesDir = std::string(TEST_DATA_DIR) + "/pages/";
const std::string OutputDir = std::string(TEST_BINARY_DIR) + "/pages/";
constexpr int PageWidth = 700;

std::vector<std::string> pageNames() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(PagesDir)) {
        const std::string ext = entry.path().extension().string();
        if (ext == ".htm" || ext == ".txt") names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class GoldenPage : public testing::TestWithParam<std::string> {};

TEST_P(GoldenPage, MatchesItsLayoutDump) {
    const std::string page = GetParam();
    image::ResetImageSupport();
    testsupport::TPage p(12, true);
    p.Host.OnImageFile = [](const std::string& name) { return PagesDir + name; };
    if (page.ends_with(".txt"))
        p.Builder.ParseTextFile(p.Doc, p.Names, PagesDir + page);
    else
        p.Builder.ParseFile(p.Doc, p.Names, PagesDir + page);
    const int height = p.layout(PageWidth);

    std::string dump = "title: " + p.Builder.Title + "\nbase: " + p.Builder.Base + " target: " + p.Builder.BaseTarget +
                       "\nheight: " + std::to_string(height) + " scroll width: " + std::to_string(p.ScrollWidth) + "\n";
    for (const std::string& e : p.Host.Events) dump += e + "\n";
    for (const auto& anchor : p.Names.Items)
        dump += "anchor " + anchor.Name + " y=" + std::to_string(p.Names.AnchorY(anchor.Name)) + "\n";
    dump += p.Doc.LayoutDump();

    QDir().mkpath(QString::fromStdString(OutputDir));
    const QImage picture =
        testsupport::Render(p.Doc, PageWidth, std::clamp(height, 1, 4000), platform::ToQColor(p.Doc.Background));
    EXPECT_TRUE(picture.save(QString::fromStdString(OutputDir + page + ".png")));

    const std::string goldenName = PagesDir + page.substr(0, page.rfind('.')) + ".layout";
    if (std::getenv("UPDATE_GOLDENS")) {
        std::ofstream(goldenName, std::ios::binary) << dump;
        return;
    }
    const std::string golden = testsupport::readFile(goldenName);
    if (dump != golden) {
        std::ofstream(OutputDir + page + ".layout.actual", std::ios::binary) << dump;
        ADD_FAILURE() << page << ": the layout differs from " << goldenName << "; the actual dump is in "
                      << OutputDir << page << ".layout.actual";
    }
}

INSTANTIATE_TEST_SUITE_P(Pages, GoldenPage, testing::ValuesIn(pageNames()), [](const auto& info) {
    std::string name = info.param;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
});

} // namespace
