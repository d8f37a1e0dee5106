// A shown viewer with pages written into a scratch directory, and helpers that find
// where on the drawing surface a link or an image lies.
#pragma once

#include "doc/image_obj.h"
#include "doc/section_list.h"
#include "doc/text_section.h"
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

    // Every inline image of the document, in order.
    std::vector<doc::TImageObj*> images() {
        std::vector<doc::TImageObj*> out;
        for (const auto& s : View->Sections())
            if (auto* t = dynamic_cast<doc::TSection*>(s.get()))
                for (const auto& i : t->Images) out.push_back(i.get());
        return out;
    }

    QWidget* panel() const { return View->PaintPanel(); }

    // A point of the drawing surface over the link to Url, searched in the visible part.
    std::optional<QPoint> linkPoint(const std::string& url) {
        for (int y = 1; y < panel()->height(); y += 2)
            for (int x = 1; x < panel()->width(); x += 3) {
                doc::TUrlTarget link;
                doc::TFormControlObj* control = nullptr;
                const QPoint d = documentPoint(x, y);
                if (View->Sections().LinkAt(d.x(), d.y(), link, control) && link.URL == url) return QPoint(x, y);
            }
        return std::nullopt;
    }

    std::optional<QPoint> imagePoint() {
        panel()->grab(); // inline images learn their place when drawn
        for (int y = 1; y < panel()->height(); y += 2)
            for (int x = 1; x < panel()->width(); x += 2) {
                doc::TImageObj* obj = nullptr;
                int ix, iy;
                const QPoint d = documentPoint(x, y);
                if (View->Sections().ObjectAt(d.x(), d.y(), obj, ix, iy) && obj) return QPoint(x, y);
            }
        return std::nullopt;
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
