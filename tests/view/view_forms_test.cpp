// Form controls on the viewer's drawing surface: placed where the text puts them, moved
// off screen when their lines scroll away, reached by Tab, and submissions delivered from
// the message queue.
#include "doc/form_controls.h"
#include "doc/html_form.h"
#include "doc/text_section.h"
#include "view_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

using namespace viewtest;
using Strings = std::vector<std::string>;

namespace {

class FormViewTest : public ViewTest {
protected:
    template <class T = doc::TFormControlObj> T* control(const std::string& name) {
        return testsupport::ControlNamed<T>(View->Sections(), name);
    }
    // Whether the control's platform control is within the drawing surface.
    bool onSurface(doc::TFormControlObj* c) const {
        QWidget* w = c->ControlHandle();
        return w->isVisible() && w->parentWidget() == panel() &&
               panel()->rect().intersects(w->geometry());
    }
    void load(const std::string& html) {
        View->LoadDocument(page("form.htm", html));
        panel()->grab(); // the controls find their places when drawn
    }
    void settle() {
        QCoreApplication::processEvents();
        panel()->grab();
    }
};

} // namespace

TEST_F(FormViewTest, ControlsSitWhereTheTextPutsThemAndGoWithTheirDocument) {
    load("Find: <INPUT NAME=q SIZE=10> and <INPUT TYPE=checkbox NAME=c> more");
    auto* section = dynamic_cast<doc::TSection*>(View->Sections()[0]);
    ASSERT_NE(section, nullptr);
    ASSERT_EQ(section->Lines.size(), 1u);
    const doc::LineRec& line = section->Lines[0];
    const int lineTop = section->Top - View->ViewTop() + View->MarginHeight();
    const int baseline = lineTop + line.SpaceBefore + line.TextHeight - line.Descent;
    for (const char* name : {"q", "c"}) {
        SCOPED_TRACE(name);
        doc::TFormControlObj* c = control(name);
        ASSERT_TRUE(onSurface(c));
        const QRect g = c->ControlHandle()->geometry();
        EXPECT_EQ(g.x(), View->MarginWidth() + line.LineIndent + section->TextWidth(0, c->Pos));
        EXPECT_EQ(g.size(), QSize(c->Width(), c->Height()));
        // An edit box ends at the bottom of the text, a check box on the baseline.
        EXPECT_EQ(g.y() + g.height(),
                  c->BaseLine() ? baseline : lineTop + line.SpaceBefore + line.TextHeight);
    }
    // A new document takes its own controls: the old ones leave the surface.
    load("<INPUT NAME=c>");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const auto edits = panel()->findChildren<QLineEdit*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_EQ(edits.size(), 1);
    EXPECT_EQ(edits[0], control("c")->ControlHandle());
}

TEST_F(FormViewTest, TabReachesAControlOutOfSightAndScrollsToIt) {
    load("<INPUT NAME=first>" + longBody(80) + "<INPUT NAME=second>");
    QWidget* first = control("first")->ControlHandle();
    QWidget* second = control("second")->ControlHandle();
    EXPECT_LT(second->x(), -4000) << "off the surface with its line";
    View->activateWindow();
    View->setFocus(Qt::OtherFocusReason);
    ASSERT_TRUE(QTest::qWaitFor([&] { return View->hasFocus(); }));
    QTest::keyClick(View.get(), Qt::Key_Tab);
    EXPECT_TRUE(first->hasFocus()) << "from the viewer to the page's first control";
    QTest::keyClick(first, Qt::Key_Tab);
    ASSERT_TRUE(second->hasFocus());
    settle();
    EXPECT_GT(View->ViewTop(), 0);
    EXPECT_TRUE(onSurface(control("second")));
    EXPECT_FALSE(onSurface(control("first")));
    QTest::keyClick(second, Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_TRUE(first->hasFocus());
    settle();
    EXPECT_TRUE(onSurface(control("first")));

    // A small step moves the window content, and the control with it.
    const int y = first->y();
    QTest::keyClick(View.get(), Qt::Key_Down);
    panel()->grab();
    EXPECT_EQ(first->y(), y - view::THtmlView::VertSmallStep);
}

// Each click submits what the form holds then; the submissions follow in order once the
// clicks are over.
TEST_F(FormViewTest, SubmissionsAreDeliveredInOrderAfterTheClicks) {
    load("<FORM ACTION=/cgi METHOD=post><INPUT NAME=q VALUE=x><INPUT TYPE=checkbox NAME=c "
         "ONCLICK=check()><INPUT TYPE=submit NAME=go VALUE=Go></FORM>");
    Strings order;
    View->SetOnFormSubmit([&](view::THtmlView* s, const std::string& action, const std::string&,
                              const std::string&, const std::string& method, Strings r) {
        EXPECT_EQ(s, View.get());
        order.push_back("submit " + action + " " + method);
        for (const std::string& result : r) order.back() += " " + result;
    });
    View->SetOnObjectClick([&](view::THtmlView* s, doc::TFormControlObj* obj, const std::string& onClick) {
        EXPECT_EQ(s, View.get());
        order.push_back("object " + obj->Name + " " + onClick);
    });
    QPushButton* go = control<doc::TButtonFormControlObj>("go")->Button();
    go->click();
    control<doc::TCheckBoxFormControlObj>("c")->Box()->click();
    go->click();
    order.push_back("clicked");
    QCoreApplication::processEvents();
    EXPECT_EQ(order, (Strings{"object go ", "object c check()", "object go ", "clicked",
                              "submit /cgi post q=x go=Go", "submit /cgi post q=x c=On go=Go"}));

    View->SetOnFormSubmit(nullptr);
    go->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(order.back(), "object go ") << "without a submit handler only the click is reported";
}

TEST_F(FormViewTest, AnImageInputSubmitsThePointClicked) {
    Dir.write("map.png", testsupport::pngBytes(40, 30, Qt::red));
    load("<FORM ACTION=/map><INPUT TYPE=hidden NAME=h VALUE=1><INPUT TYPE=image NAME=map "
         "SRC=map.png></FORM>");
    Strings results;
    View->SetOnFormSubmit([&](view::THtmlView*, const std::string&, const std::string&, const std::string&,
                              const std::string&, Strings r) { results = std::move(r); });
    auto p = imagePoint();
    ASSERT_TRUE(p);
    const QPoint at = *p + QPoint(9, 7); // well inside the picture
    doc::TImageObj* img = nullptr;
    int ix = 0, iy = 0;
    const QPoint d = documentPoint(at.x(), at.y());
    ASSERT_TRUE(View->Sections().ObjectAt(d.x(), d.y(), img, ix, iy));
    QTest::mouseClick(panel(), Qt::LeftButton, {}, at);
    EXPECT_TRUE(results.empty()) << "delivered from the message queue";
    QCoreApplication::processEvents();
    EXPECT_EQ(results,
              (Strings{"h=1", "map.x=" + std::to_string(ix), "map.y=" + std::to_string(iy)}));
}
