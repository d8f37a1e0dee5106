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
    // The control named Name, of class T.
    template <class T = doc::TFormControlObj> T* control(const std::string& name) {
        for (doc::TFormControlObj* c : View->Sections().FormControlList)
            if (c->Name == name)
                if (auto* t = dynamic_cast<T*>(c)) return t;
        ADD_FAILURE() << "no control named " << name;
        return nullptr;
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

TEST_F(FormViewTest, ControlsSitWhereTheTextPutsThem) {
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
}

TEST_F(FormViewTest, ControlsLeaveTheSurfaceWithTheirLines) {
    load("<INPUT NAME=top>" + longBody(80) + "<INPUT NAME=bottom>");
    const auto shown = [&] { return std::make_pair(onSurface(control("top")), onSurface(control("bottom"))); };
    EXPECT_EQ(shown(), std::make_pair(true, false));
    EXPECT_LT(control("bottom")->ControlHandle()->x(), -4000);
    const std::pair<int, std::pair<bool, bool>> scrolls[] = {{View->DocHeight(), {false, true}}, {0, {true, false}}};
    for (const auto& [top, expected] : scrolls) {
        View->ScrollToY(top);
        panel()->grab();
        EXPECT_EQ(shown(), expected) << top;
    }
    // A small step moves the window content, and the control with it.
    const int y = control("top")->ControlHandle()->y();
    QTest::keyClick(View.get(), Qt::Key_Down);
    panel()->grab();
    EXPECT_EQ(control("top")->ControlHandle()->y(), y - view::THtmlView::VertSmallStep);
}

TEST_F(FormViewTest, TabReachesAControlOutOfSightAndScrollsToIt) {
    load("<INPUT NAME=first>" + longBody(80) + "<INPUT NAME=second>");
    QWidget* first = control("first")->ControlHandle();
    QWidget* second = control("second")->ControlHandle();
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
}

TEST_F(FormViewTest, SubmissionsAreDeliveredAfterTheClick) {
    load("<FORM ACTION=/cgi METHOD=post><INPUT NAME=q VALUE=x><INPUT TYPE=checkbox NAME=c "
         "ONCLICK=check()>"
         "<INPUT TYPE=submit NAME=go VALUE=Go></FORM>");
    Strings order;
    view::THtmlView* sender = nullptr;
    Strings results;
    View->SetOnFormSubmit([&](view::THtmlView* s, const std::string& action, const std::string&,
                              const std::string&, const std::string& method, Strings r) {
        sender = s;
        order.push_back("submit " + action + " " + method);
        results = std::move(r);
    });
    View->SetOnObjectClick([&](view::THtmlView* s, doc::TFormControlObj* obj, const std::string& onClick) {
        EXPECT_EQ(s, View.get());
        order.push_back("object " + obj->Name + " " + onClick);
    });
    control<doc::TCheckBoxFormControlObj>("c")->Box()->click();
    control<doc::TButtonFormControlObj>("go")->Button()->click();
    order.push_back("clicked");
    QCoreApplication::processEvents();
    EXPECT_EQ(order, (Strings{"object c check()", "object go ", "clicked", "submit /cgi post"}));
    EXPECT_EQ(sender, View.get());
    EXPECT_EQ(results, (Strings{"q=x", "c=On", "go=Go"}));

    // Without a submit handler the click is reported, but nothing is submitted.
    View->SetOnFormSubmit(nullptr);
    control<doc::TButtonFormControlObj>("go")->Button()->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(order.size(), 5u);
    EXPECT_EQ(order.back(), "object go ");
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

TEST_F(FormViewTest, ANewDocumentTakesItsOwnControls) {
    load("<INPUT NAME=a><INPUT NAME=b>");
    load("<INPUT NAME=c>");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const auto edits = panel()->findChildren<QLineEdit*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_EQ(edits.size(), 1);
    EXPECT_EQ(edits[0], control("c")->ControlHandle());
    EXPECT_TRUE(onSurface(control("c")));
}
