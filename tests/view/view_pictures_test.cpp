// The viewer's picture memory budget: large JPEGs shown small decoded small, pictures past
// the budget left as placeholders with one status report a page, and the budget given back
// when the page is left.
#include "image/jpeg_builder.h"
#include "image/memory_stream.h"
#include "view/view_fixture.h"

namespace {

using jpegbuild::JpegBytes;

constexpr uint64_t MiB = 1024 * 1024;

class ViewPictures : public viewtest::ViewTest {
protected:
    void SetUp() override {
        ViewTest::SetUp();
        View->OnPictureRefused = [this](view::THtmlView*, const std::string& text) { Reports.push_back(text); };
    }
    // Pictures shown and placeholders left for the budget.
    std::pair<int, int> count() {
        int shown = 0, overBudget = 0;
        for (const doc::TImageObj* img : images()) {
            shown += img->PictureKind == doc::TImageObj::RealPicture;
            if (img->OverBudget) {
                ++overBudget;
                EXPECT_EQ(img->PictureKind, doc::TImageObj::PendingPicture);
            }
        }
        return {shown, overBudget};
    }
    // N copies of one picture under different names, each shown with Attributes.
    std::string pageOf(const std::string& data, int n, const std::string& attributes) {
        std::string html;
        for (int i = 0; i < n; ++i) {
            const std::string name = "p" + std::to_string(i) + ".jpg";
            Dir.write(name, data);
            html += "<IMG SRC=\"" + name + "\" " + attributes + ">";
        }
        return page("page.html", html);
    }
    std::vector<std::string> Reports;
};

TEST_F(ViewPictures, LargeJpegsShownSmallAreDecodedSmallWithTheirOwnProportions) {
    // 1000 x 333 takes 1.27 MiB whole, more than the budget; decoded at a quarter it is
    // 250 x 84, whose proportions differ slightly.
    View->SetPictureMemory(1);
    const std::string file = Dir.write("wide.jpg", JpegBytes(1000, 333));
    View->LoadDocument(page("w.html", "<IMG SRC=\"" + file + "\" WIDTH=250>"));
    ASSERT_EQ(images().size(), 1u);
    const doc::TImageObj& img = *images()[0];
    EXPECT_EQ(img.Picture.width(), 250);
    EXPECT_EQ(View->PictureMemoryUsed(), 250u * 84 * 4);
    EXPECT_EQ(img.ImageHeight, 83); // 250 * 333 / 1000, as at full size
}

TEST_F(ViewPictures, PicturesPastTheBudgetKeepTheirPlaceholderAndAreReportedOncePerPage) {
    View->SetPictureMemory(5);
    // 600 x 600 takes 1.37 MiB: three fit into 5 MiB.
    const std::string file = pageOf(JpegBytes(600, 600), 10, "ALT=\"a picture\"");
    View->LoadDocument(file);
    EXPECT_EQ(count(), std::make_pair(3, 7));
    ASSERT_EQ(Reports.size(), 1u);
    EXPECT_EQ(Reports[0], "Picture not shown: the page's pictures would take more than 5 MiB");
    EXPECT_LE(View->PictureMemoryUsed(), 5 * MiB);
    // A relayout (a new width) does not ask for the left-out pictures again.
    View->resize(500, 300);
    View->DoLayout();
    EXPECT_EQ(count().second, 7);
    EXPECT_EQ(Reports.size(), 1u);

    // Leaving the page gives its memory back; the same page again says so again.
    View->LoadDocument(page("empty.html", "<P>nothing</P>"));
    EXPECT_EQ(View->PictureMemoryUsed(), 0u);
    View->LoadDocument(file);
    EXPECT_EQ(count().first, 3);
    EXPECT_EQ(Reports.size(), 2u);
}

TEST_F(ViewPictures, PicturesArrivingLaterAreScaledAndBudgetedToo) {
    View->SetPictureMemory(3);
    int takenDuringLoad = 0;
    View->SetOnImageRequest([&](view::THtmlView*, const std::string& url, image::TMemoryStream*& stream) {
        const image::TMemoryStream early(JpegBytes(8, 8));
        takenDuringLoad += View->SupplyImage(url, &early);
        stream = image::LaterStream();
    });
    View->LoadDocument(page("late.html", "<IMG SRC=\"http://h/big.jpg\" WIDTH=100 HEIGHT=100>"
                                         "<IMG SRC=\"http://h/big.jpg\">"
                                         "<IMG SRC=\"http://h/other.jpg\">"));
    const std::vector<doc::TImageObj*> imgs = images();
    ASSERT_EQ(imgs.size(), 3u);
    EXPECT_EQ(imgs[0]->PictureKind, doc::TImageObj::PendingPicture);
    EXPECT_EQ(takenDuringLoad, 0) << "a picture is refused while the page loads";

    // 2000 x 2000 takes 15 MiB whole, 0.24 MiB at an eighth.
    const image::TMemoryStream big(JpegBytes(2000, 2000));
    ASSERT_TRUE(View->SupplyImage("http://h/big.jpg", &big));
    EXPECT_EQ(imgs[0]->PictureKind, doc::TImageObj::RealPicture);
    EXPECT_EQ(imgs[0]->Picture.width(), 250);
    EXPECT_TRUE(imgs[1]->OverBudget);
    EXPECT_EQ(imgs[1]->PictureKind, doc::TImageObj::PendingPicture);
    EXPECT_EQ(Reports.size(), 1u);

    const int heightBefore = View->DocHeight();
    const image::TMemoryStream small(JpegBytes(300, 300));
    ASSERT_TRUE(View->SupplyImage("http://h/other.jpg", &small));
    EXPECT_EQ(imgs[2]->PictureKind, doc::TImageObj::RealPicture);
    EXPECT_GT(View->DocHeight(), heightBefore) << "the picture's real size needs a new layout";
    EXPECT_EQ(View->PictureMemoryUsed(), (250u * 250 + 300u * 300) * 4);
}

} // namespace
