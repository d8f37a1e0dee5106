// A document built from HTML through the test host, and the views the tests take of it:
// its sections as one line of text, the text sections, the tables, a picture of it.
#pragma once

#include "doc/builder.h"
#include "doc/form_controls.h"
#include "doc/html_table.h"
#include "doc/image_obj.h"
#include "doc/section_list.h"
#include "doc/sel_text.h"
#include "doc/test_host.h"
#include "doc/text_section.h"
#include "platform/canvas.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace testsupport {

inline QImage Render(doc::TSectionList& d, int width, int height, const QColor& background = Qt::white) {
    QImage img(width, height, QImage::Format_RGB32);
    img.fill(background);
    QPainter painter(&img);
    platform::TCanvas canvas(painter);
    d.Paint(canvas, QRect(0, 0, width, height), 0);
    return img;
}

// The link at X, Y of a section or a cell as "URL|Target", or "-" when there is none.
template <class T> std::string LinkAt(T& where, int x, int y) {
    doc::TUrlTarget link;
    doc::TFormControlObj* control = nullptr;
    return where.LinkAt(x, y, link, control) ? link.URL + "|" + link.Target : "-";
}

// What copying the positions From to To puts on the clipboard.
inline std::string Copied(doc::TSectionList& d, int from, int to) {
    d.SelB = from;
    d.SelE = to;
    std::vector<char> buffer(4096);
    doc::SelTextBuf sink(buffer.data(), static_cast<int>(buffer.size()));
    d.CopySelection(sink);
    sink.Finish();
    return buffer.data();
}

// The text sections of Cell that hold something, in order.
inline std::vector<doc::TSection*> TextsOf(const doc::TCell& cell) {
    std::vector<doc::TSection*> out;
    for (const auto& s : cell)
        if (auto* t = dynamic_cast<doc::TSection*>(s.get()); t && !t->Buff.empty()) out.push_back(t);
    return out;
}

// Kind and text of every section of Cell: "Text(a) ParagraphSpace Text(b)"; empty text
// sections read "Text()" unless left out.
inline std::string ShapeOf(const doc::TCell& cell, bool withEmpty = true) {
    std::string out;
    for (const auto& s : cell) {
        auto* t = dynamic_cast<const doc::TSection*>(s.get());
        if (t && t->Buff.empty() && !withEmpty) continue;
        out += std::string(out.empty() ? "" : " ") + s->KindName() + (t ? "(" + t->Buff + ")" : "");
    }
    return out;
}

// The text of Cell's text sections, one space between sections.
inline std::string TextOf(const doc::TCell& cell) {
    std::string out;
    for (const doc::TSection* t : TextsOf(cell)) out += (out.empty() ? "" : " ") + t->Buff;
    return out;
}

// The I-th table among the sections of Cell.
inline doc::ThtmlTable* TableIn(const doc::TCell& cell, int i = 0) {
    for (const auto& s : cell)
        if (auto* t = dynamic_cast<doc::ThtmlTable*>(s.get()); t && i-- == 0) return t;
    return nullptr;
}

// Every inline image of Cell's own sections, in order.
inline std::vector<doc::TImageObj*> ImagesOf(const doc::TCell& cell) {
    std::vector<doc::TImageObj*> out;
    for (const auto& s : cell)
        if (auto* t = dynamic_cast<doc::TSection*>(s.get()))
            for (const auto& i : t->Images) out.push_back(i.get());
    return out;
}

// The first control named Name of class T, or a failure.
template <class T = doc::TFormControlObj>
T* ControlNamed(const doc::TSectionList& d, const std::string& name) {
    for (doc::TFormControlObj* c : d.FormControlList)
        if (auto* t = dynamic_cast<T*>(c); t && c->Name == name) return t;
    ADD_FAILURE() << "no control named " << name;
    return nullptr;
}

// The message of the failure of type E that F raises, or "no failure".
template <class E, class F> std::string FailureOf(F&& f) {
    try {
        f();
    } catch (const E& e) {
        return e.what();
    }
    return "no failure";
}

struct TPage {
    TTestHost Host;
    doc::TSectionList Doc{&Host};
    doc::TNameList Names;
    doc::THtmlBuilder Builder;
    int Height = 0;
    int ScrollWidth = 0;

    explicit TPage(int fontSize = 12, bool showImages = false) {
        Doc.SetDefaults("Times New Roman", "Courier New", platform::clWhite, platform::clBlue, platform::clBlack,
                        fontSize);
        Doc.ShowImages = showImages;
    }
    void parse(const std::string& html) { Builder.ParseBuffer(Doc, Names, html); }
    int layout(int width = 600) { return Height = Doc.DoLayout(width, ScrollWidth); }

    std::string shape(bool withEmpty = true) const { return ShapeOf(Doc, withEmpty); }
    std::vector<doc::TSection*> texts() const { return TextsOf(Doc); }
    // The first text section containing Content.
    doc::TSection* text(const std::string& content) const {
        for (doc::TSection* t : texts())
            if (t->Buff.find(content) != std::string::npos) return t;
        return nullptr;
    }
    // The I-th table of the document's own sections.
    doc::ThtmlTable* table(int i = 0) const { return TableIn(Doc, i); }
    QImage render(int width, int height) { return Render(Doc, width, height); }
};

} // namespace testsupport
