// A shown viewer with pages written into a scratch directory, and helpers that find
// where on the drawing surface a link or an image lies.
#pragma once

#include "doc/doc_page.h"
#include "image/image_support.h"
#include "test_support.h"
#include "view/html_view.h"
#include "view/paint_panel.h"

#include <QFile>
#include <QImage>
#include <QPoint>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace viewtest {

// Paragraphs of text, each in its own paragraph, with an anchor NAME=sN before every tenth.
inline std::string longBody(int paragraphs) {
    std::string s;
    for (int i = 0; i < paragraphs; ++i) {
        if (i % 10 == 0) s += "<a name=\"s" + std::to_string(i / 10) + "\"></a>";
        s += "<p>Paragraph " + std::to_string(i) + " of the page, with some words in it.\n";
    }
    return s;
}

class ViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        image::ResetImageSupport();
        View = std::make_unique<view::THtmlView>();
        View->SetViewImages(true);
        View->resize(400, 300);
        View->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(View.get()));
    }
    void TearDown() override {
        View.reset();
        image::ResetImageSupport();
    }

    std::string page(const std::string& name, const std::string& html) { return Dir.write(name, html); }
    // Copies a named picture of tests/data/gif into the scratch directory as Name.
    void copyGif(const char* from, const std::string& name) {
        QFile::copy(QString(TEST_DATA_DIR "/gif/") + from, QString::fromStdString(Dir.file(name)));
    }

    std::vector<doc::TImageObj*> images() { return testsupport::ImagesOf(View->Sections()); }

    QWidget* panel() const { return View->PaintPanel(); }

    // The first point of the visible surface, every DX pixels across and 2 down, at whose
    // document point Hit holds.
    template <class F> std::optional<QPoint> surfacePoint(int dx, F hit) {
        for (int y = 1; y < panel()->height(); y += 2)
            for (int x = 1; x < panel()->width(); x += dx)
                if (const QPoint d = documentPoint(x, y); hit(d.x(), d.y())) return QPoint(x, y);
        return std::nullopt;
    }
    std::optional<QPoint> linkPoint(const std::string& url) {
        return surfacePoint(3, [&](int x, int y) {
            return testsupport::LinkAt(View->Sections(), x, y).starts_with(url + "|");
        });
    }
    // Clicks the link to Url where it shows; false when it is not on screen.
    bool clickLink(const std::string& url) {
        const auto p = linkPoint(url);
        if (p) QTest::mouseClick(panel(), Qt::LeftButton, {}, *p);
        return p.has_value();
    }
    std::optional<QPoint> imagePoint() {
        panel()->grab(); // inline images learn their place when drawn
        return surfacePoint(2, [&](int x, int y) {
            doc::TImageObj* obj = nullptr;
            int ix, iy;
            return View->Sections().ObjectAt(x, y, obj, ix, iy) && obj;
        });
    }

    QPoint documentPoint(int x, int y) const {
        return {x - View->MarginWidth() + View->HorzPosition(), y + View->ViewTop() - View->MarginHeight()};
    }

    // The surface as painted now.
    QImage surface() const { return panel()->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    testsupport::TempDir Dir;
    std::unique_ptr<view::THtmlView> View;
};

} // namespace viewtest
