// The viewer's picture memory budget: large JPEGs shown small decoded small, pictures past
// the budget left as placeholders with one status report a page, and the budget given back
// when the page is left.
#include "doc/image_obj.h"
#include "doc/text_section.h"
#include "image/jpeg_builder.h"
#include "image/memory_stream.h"
#include "view/view_fixture.h"

namespace {

using jpegbuild::JpegBytes;

constexpr uint64_t MiB = 1024 * 1024;

class ViewPictures : public viewtest::ViewTest {
protected:
    std::vector<doc::TImageObj*> images() {
        std::vector<doc::TImageObj*> out;
        for (const auto& s : View->Sections())
            if (auto* t = dynamic_cast<doc::TSection*>(s.get()))
                for (const auto& i : t->Images) out.push_back(i.get());
        return out;
    }
    // Count pictures shown and placeholders left for the budget.
    void count(int& shown, int& overBudget) {
        shown = overBudget = 0;
        for (const doc::TImageObj* img : images()) {
            if (img->PictureKind == doc::TImageObj::RealPicture) ++shown;
            if (img->OverBudget) {
                ++overBudget;
                EXPECT_EQ(img->PictureKind, doc::TImageObj::PendingPicture);
            }
        }
    }
    // N copies of one picture under different names, each shown with Attributes.
    std::string pageOf(const std::string& data, int n, const std::string& attributes) {
        std::string html = "<HTML><BODY>";
        for (int i = 0; i < n; ++i) {
            const std::string name = "p" + std::to_string(i) + ".jpg";
            Dir.write(name, data);
            html += "<IMG SRC=\"" + name + "\" " + attributes + ">";
        }
        return page("page.html", html + "</BODY></HTML>");
    }
    std::vector<std::string> Reports;
    void listen() {
        View->OnPictureRefused = [this](view::THtmlView*, const std::string& text) { Reports.push_back(text); };
    }
};

TEST_F(ViewPictures, LargeJpegsShownSmallAreDecodedSmallAndFitTheBudget) {
    listen();
    View->SetPictureMemory(40);
    // Thirty 4000 x 4000 pictures take 61 MiB each at full size; at an eighth, 1 MiB.
    View->LoadDocument(pageOf(JpegBytes(4000, 4000), 30, "WIDTH=100 HEIGHT=100"));
    int shown = 0, over = 0;
    count(shown, over);
    EXPECT_EQ(shown, 30);
    EXPECT_EQ(over, 0);
    EXPECT_TRUE(Reports.empty());
    EXPECT_LE(View->PictureMemoryUsed(), 40 * MiB);
    EXPECT_EQ(View->PictureMemoryUsed(), 30u * 500 * 500 * 4);
    for (const doc::TImageObj* img : images()) {
        EXPECT_EQ(img->Picture.width(), 500);
        EXPECT_EQ(img->Picture.height(), 500);
        EXPECT_EQ(img->ImageWidth, 100);
        EXPECT_EQ(img->PictureWidth, 4000);
    }
}

TEST_F(ViewPictures, ProportionsComeFromThePicturesOwnSize) {
    // 1000 x 333 decoded at a quarter is 250 x 84, whose proportions differ slightly.
    const std::string file = Dir.write("wide.jpg", JpegBytes(1000, 333));
    View->LoadDocument(page("w.html", "<IMG SRC=\"" + file + "\" WIDTH=250>"));
    ASSERT_EQ(images().size(), 1u);
    const doc::TImageObj& img = *images()[0];
    EXPECT_EQ(img.Picture.width(), 250);
    EXPECT_EQ(img.ImageHeight, 83); // 250 * 333 / 1000, as at full size
}

TEST_F(ViewPictures, PicturesPastTheBudgetKeepTheirPlaceholderAndAreReportedOncePerPage) {
    listen();
    View->SetPictureMemory(5);
    // 600 x 600 takes 1.37 MiB: three fit into 5 MiB.
    const std::string file = pageOf(JpegBytes(600, 600), 10, "ALT=\"a picture\"");
    View->LoadDocument(file);
    int shown = 0, over = 0;
    count(shown, over);
    EXPECT_EQ(shown, 3);
    EXPECT_EQ(over, 7);
    ASSERT_EQ(Reports.size(), 1u);
    EXPECT_EQ(Reports[0], "Picture not shown: the page's pictures would take more than 5 MiB");
    EXPECT_LE(View->PictureMemoryUsed(), 5 * MiB);
    // A relayout (a new width) does not ask for the left-out pictures again.
    View->resize(500, 300);
    View->DoLayout();
    count(shown, over);
    EXPECT_EQ(over, 7);
    EXPECT_EQ(Reports.size(), 1u);

    // Leaving the page gives its memory back; the same page again says so again.
    View->LoadDocument(page("empty.html", "<P>nothing</P>"));
    EXPECT_EQ(View->PictureMemoryUsed(), 0u);
    View->LoadDocument(file);
    count(shown, over);
    EXPECT_EQ(shown, 3);
    EXPECT_EQ(Reports.size(), 2u);
}

TEST_F(ViewPictures, APictureShownManyTimesCountsOnce) {
    listen();
    View->SetPictureMemory(2);
    const std::string file = Dir.write("one.jpg", JpegBytes(600, 600));
    std::string html;
    for (int i = 0; i < 20; ++i) html += "<IMG SRC=\"" + file + "\">";
    View->LoadDocument(page("same.html", html));
    int shown = 0, over = 0;
    count(shown, over);
    EXPECT_EQ(shown, 20);
    EXPECT_EQ(View->PictureMemoryUsed(), 600u * 600 * 4);
    EXPECT_TRUE(Reports.empty());
}

TEST_F(ViewPictures, PicturesArrivingLaterAreScaledAndBudgetedToo) {
    listen();
    View->SetPictureMemory(3);
    View->SetOnImageRequest([](view::THtmlView*, const std::string&, image::TMemoryStream*& stream) {
        stream = image::LaterStream();
    });
    View->LoadDocument(page("late.html", "<IMG SRC=\"http://h/big.jpg\" WIDTH=100 HEIGHT=100>"
                                         "<IMG SRC=\"http://h/big.jpg\">"
                                         "<IMG SRC=\"http://h/other.jpg\">"));
    const std::vector<doc::TImageObj*> imgs = images();
    ASSERT_EQ(imgs.size(), 3u);
    EXPECT_EQ(imgs[0]->PictureKind, doc::TImageObj::PendingPicture);

    // 2000 x 2000 takes 15 MiB whole, 0.24 MiB at an eighth.
    const image::TMemoryStream big(JpegBytes(2000, 2000));
    ASSERT_TRUE(View->SupplyImage("http://h/big.jpg", &big));
    EXPECT_EQ(imgs[0]->PictureKind, doc::TImageObj::RealPicture);
    EXPECT_EQ(imgs[0]->Picture.width(), 250);
    EXPECT_TRUE(imgs[1]->OverBudget);
    EXPECT_EQ(imgs[1]->PictureKind, doc::TImageObj::PendingPicture);
    EXPECT_EQ(Reports.size(), 1u);
    EXPECT_TRUE(View->Sections().MissingImages.size() == 1); // only other.jpg still waits

    const image::TMemoryStream small(JpegBytes(300, 300));
    ASSERT_TRUE(View->SupplyImage("http://h/other.jpg", &small));
    EXPECT_EQ(imgs[2]->PictureKind, doc::TImageObj::RealPicture);
    EXPECT_EQ(View->PictureMemoryUsed(), (250u * 250 + 300u * 300) * 4);
}

} // namespace
