// Forms and their controls as the builder makes them: which class each tag gets, what a
// submission carries, how Enter, clicks, radio groups and reset behave, and the sizes the
// controls take from the fonts. The platform controls exist but are not on screen.
#include "doc/doc_page.h"
#include "doc/form_controls.h"
#include "doc/form_controls_select.h"
#include "doc/html_form.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>

using namespace doc;
using Strings = std::vector<std::string>;

namespace {

struct TSubmission {
    std::string Action, Method;
    Strings Results;
};

struct FormPage : testsupport::TPage {
    std::vector<TSubmission> Submitted;
    std::vector<std::string> ObjectClicks; // the ONCLICK text of every object click

    explicit FormPage(const std::string& html) {
        Host.OnSubmit = [this](const std::string& action, const std::string&, const std::string&,
                               const std::string& method, Strings results) {
            Submitted.push_back({action, method, std::move(results)});
        };
        Host.OnObjectClick = [this](TFormControlObj*, const std::string& onClick) {
            ObjectClicks.push_back(onClick);
        };
        parse(html);
        layout();
    }
    ThtmlForm& form(size_t i = 0) { return *Doc.htmlFormList.at(i); }
    template <class T = TFormControlObj> T* control(const std::string& name) {
        return testsupport::ControlNamed<T>(Doc, name);
    }
    Strings results(size_t i = 0) { return form(i).Results(); }
};

} // namespace

// What each form submits as the page stands, without a button.
TEST(FormResults, FollowEveryControlKind) {
    struct Case {
        const char* Name;
        const char* Html;
        Strings Expected;
    } cases[] = {
        {"unknown TYPE is an edit box", "<INPUT TYPE=colour NAME=c VALUE=red>", {"c=red"}},
        {"hidden without NAME", "<INPUT TYPE=hidden VALUE=v><INPUT TYPE=hidden NAME=h VALUE=w>", {"=v", "h=w"}},
        {"combo: the last SELECTED option",
         "<SELECT NAME=s><OPTION VALUE=1 SELECTED>one<OPTION VALUE=2 SELECTED>two<OPTION>three</SELECT>", {"s=2"}},
        {"combo: the first option when none is SELECTED", "<SELECT NAME=s><OPTION>one<OPTION>two</SELECT>", {"s=one"}},
        {"option without VALUE or with an empty VALUE gives its text",
         "<SELECT NAME=s MULTIPLE><OPTION SELECTED>  Plain text <OPTION VALUE=\"\" SELECTED>Empty</SELECT>",
         {"s=Plain text", "s=Empty"}},
        {"options of blanks are dropped",
         "<SELECT NAME=s SIZE=4 MULTIPLE><OPTION SELECTED>   <OPTION SELECTED>x<OPTION SELECTED></SELECT>", {"s=x"}},
        {"check box without VALUE sends On", "<INPUT TYPE=checkbox NAME=c CHECKED>", {"c=On"}},
        {"text area: one result per line", "<TEXTAREA NAME=t>one &amp; <b>two</b>\n\nthree\n</TEXTAREA>",
         {"t=one & <b>two</b>", "t=", "t=three"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        FormPage p(std::string("<FORM>") + c.Html);
        ASSERT_EQ(p.Doc.htmlFormList.size(), 1u);
        EXPECT_EQ(p.results(), c.Expected);
    }
    FormPage implicit("a<INPUT NAME=a VALUE=1> b<INPUT NAME=b VALUE=2>");
    ASSERT_EQ(implicit.Doc.htmlFormList.size(), 1u) << "controls before FORM join one implicit form";
    EXPECT_EQ(implicit.results(), (Strings{"a=1", "b=2"}));
}

TEST(FormResults, SelectKindsRowsAndCutTexts) {
    struct Case {
        std::string Attrs, Options;
        int Rows; // 0 for a combo box
    } cases[] = {
        {"", "<OPTION>a", 0},
        {"SIZE=1", "<OPTION>a", 0},
        {"SIZE=3", "<OPTION>a", 3},
        {"MULTIPLE", "<OPTION>a<OPTION>b", 2},
        {"MULTIPLE", "", 1},
        {"MULTIPLE", "<OPTION>1<OPTION>2<OPTION>3<OPTION>4<OPTION>5<OPTION>6<OPTION>7<OPTION>8<OPTION>9", 8},
        {"SIZE=99999", "<OPTION>a", TListBoxFormControlObj::MaxRows},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Attrs + c.Options);
        FormPage p("<SELECT NAME=s " + c.Attrs + ">" + c.Options + "</SELECT>");
        auto* list = dynamic_cast<TListBoxFormControlObj*>(p.Doc.FormControlList.at(0));
        EXPECT_EQ(dynamic_cast<TComboFormControlObj*>(p.Doc.FormControlList[0]) == nullptr, c.Rows > 0);
        EXPECT_EQ(list ? list->Rows() : 0, c.Rows);
    }
    FormPage p("<SELECT NAME=s><OPTION VALUE=" + std::string(100, 'v') + ">" + std::string(200, 'x') + "</SELECT>");
    auto* combo = p.control<TComboFormControlObj>("s");
    ASSERT_EQ(combo->Texts.size(), 1u);
    EXPECT_EQ(combo->Texts[0].size(), TOptionsFormControlObj::MaxOptionLength);
    EXPECT_EQ(combo->Options[0].Value.size(), TOptionsFormControlObj::MaxOptionLength);
    EXPECT_EQ(combo->LongestText, 80);
}

TEST(FormSubmit, NamedAndUnnamedSubmitButtons) {
    FormPage p("<FORM><INPUT NAME=q VALUE=x><INPUT TYPE=submit VALUE=Plain></FORM>");
    p.control<TButtonFormControlObj>("")->Button()->click();
    ASSERT_EQ(p.Submitted.size(), 1u);
    EXPECT_EQ(p.Submitted[0].Results, (Strings{"q=x"})) << "an unnamed button adds nothing";
}

TEST(FormSubmit, EnterSubmitsOnlyALoneField) {
    struct Case {
        const char* Html;
        bool Submits;
    } cases[] = {
        {"<FORM><INPUT NAME=q></FORM>", true},
        {"<FORM><INPUT NAME=q><INPUT NAME=r></FORM>", false},
        {"<FORM><INPUT NAME=q><INPUT TYPE=submit></FORM>", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Html);
        FormPage p(c.Html);
        QTest::keyClick(p.control<TEditFormControlObj>("q")->Edit(), Qt::Key_Return);
        EXPECT_EQ(p.Submitted.size(), c.Submits ? 1u : 0u);
    }
}

TEST(FormSubmit, ImageButtonSendsItsClickOnce) {
    FormPage p("<FORM><INPUT TYPE=image SRC=n.gif><INPUT TYPE=hidden NAME=h VALUE=1></FORM>");
    auto* unnamed = dynamic_cast<TImageFormControlObj*>(p.Doc.FormControlList.at(0));
    ASSERT_NE(unnamed, nullptr);
    unnamed->ImageHit(0, 3);
    unnamed->ImageClicked();
    ASSERT_EQ(p.Submitted.size(), 1u);
    EXPECT_EQ(p.Submitted[0].Results, (Strings{"x=0", "y=3", "h=1"}));
    EXPECT_EQ(p.results(), (Strings{"h=1"})) << "the click is not repeated";
}

TEST(FormControls, RadioNamesMatchWithoutRegardToCase) {
    FormPage p("<FORM><INPUT TYPE=radio NAME=R VALUE=1 CHECKED ONCLICK=one><INPUT TYPE=radio NAME=r VALUE=2 "
               "ONCLICK=two><INPUT TYPE=radio NAME=other VALUE=3 CHECKED></FORM><FORM><INPUT TYPE=radio NAME=r "
               "VALUE=4 CHECKED>");
    auto radio = [&](size_t i) { return dynamic_cast<TRadioButtonFormControlObj*>(p.Doc.FormControlList.at(i)); };
    radio(1)->Radio()->click();
    EXPECT_FALSE(radio(0)->Checked()) << "R and r are one group";
    EXPECT_TRUE(radio(1)->Checked());
    EXPECT_TRUE(radio(2)->Checked()) << "another name";
    EXPECT_TRUE(radio(3)->Checked()) << "another form";
    radio(1)->Radio()->click();
    EXPECT_TRUE(radio(1)->Checked()) << "a click never unchecks a radio button";
    EXPECT_EQ(p.ObjectClicks, (Strings{"two", "two"}));
    EXPECT_EQ(p.results(), (Strings{"r=2", "other=3"}));
}

TEST(FormControls, ResetRestoresEveryControl) {
    FormPage p("<FORM><INPUT NAME=e VALUE=start><INPUT TYPE=checkbox NAME=c CHECKED><INPUT TYPE=checkbox NAME=d>"
               "<SELECT NAME=s><OPTION>a<OPTION SELECTED>b</SELECT>"
               "<SELECT NAME=m MULTIPLE><OPTION SELECTED>x<OPTION>y</SELECT>"
               "<TEXTAREA NAME=t>one\ntwo</TEXTAREA><INPUT TYPE=reset ONCLICK=reset></FORM>");
    const Strings initial = p.results();
    EXPECT_EQ(initial, (Strings{"e=start", "c=On", "s=b", "m=x", "t=one", "t=two"}));
    p.control<TEditFormControlObj>("e")->Edit()->setText("typed");
    p.control<TCheckBoxFormControlObj>("c")->Box()->setChecked(false);
    p.control<TCheckBoxFormControlObj>("d")->Box()->setChecked(true);
    p.control<TComboFormControlObj>("s")->Combo()->setCurrentIndex(0);
    p.control<TListBoxFormControlObj>("m")->List()->item(1)->setSelected(true);
    p.control<TTextAreaFormControlObj>("t")->Memo()->setPlainText("changed");
    EXPECT_NE(p.results(), initial);
    p.control<TButtonFormControlObj>("")->Button()->click();
    EXPECT_EQ(p.results(), initial);
    EXPECT_EQ(p.ObjectClicks, (Strings{"reset"}));
    EXPECT_TRUE(p.Submitted.empty());
}

TEST(FormControls, AHandlerThatClearsTheDocumentEndsTheClick) {
    FormPage p("<FORM><INPUT TYPE=submit NAME=go></FORM>");
    p.Host.OnObjectClick = [&](TFormControlObj*, const std::string&) { p.Doc.Clear(); };
    p.control<TButtonFormControlObj>("go")->Button()->click();
    EXPECT_TRUE(p.Submitted.empty());
    EXPECT_TRUE(p.Doc.htmlFormList.empty());
    EXPECT_TRUE(p.Doc.FormControlList.empty());
}

TEST(FormControls, SizesFollowTheFontWithinLimits) {
    FormPage p("<FORM><INPUT NAME=b SIZE=\"8,1\"><INPUT NAME=d SIZE=99999999><INPUT TYPE=submit NAME=s VALUE=Send>"
               "<TEXTAREA NAME=t ROWS=3 COLS=10 WRAP=Soft></TEXTAREA><SELECT NAME=l SIZE=2><OPTION>abcdef</SELECT></FORM>");
    const QFont font = platform::MakeFont("Times New Roman", 10);
    const int aw = platform::TextWidth(font, "A"), ah = platform::MetricsOf(font).Height;
    EXPECT_EQ(p.control("b")->Width(), aw * 8 + 5);
    EXPECT_EQ(p.control("d")->Width(), aw * TEditFormControlObj::MaxEditSize + 5);
    EXPECT_EQ(p.control("s")->Width(), platform::TextWidth(font, "Send") + 20);
    EXPECT_EQ(p.control("t")->Height(), ah * 3 + 5);
    EXPECT_TRUE(p.control<TTextAreaFormControlObj>("t")->WordWrap);
    auto* list = p.control<TListBoxFormControlObj>("l");
    EXPECT_EQ(list->Height(), ah * 2 + 2 * list->List()->frameWidth());
    // The controls sit in the text: their lines make room for them.
    const TSection* section = p.texts().at(0);
    EXPECT_EQ(std::count(section->Buff.begin(), section->Buff.end(), ControlPlaceholder), 5);
    EXPECT_GE(section->Height, p.control("t")->Height());
}

TEST(FormControls, FormsAroundAndInsideTables) {
    struct Case {
        const char* Name;
        const char* Html;
        std::vector<Strings> Forms;
    } cases[] = {
        {"FORM between TABLE and TR",
         "<TABLE><FORM ACTION=a><INPUT TYPE=hidden NAME=h VALUE=1><TR><TD><INPUT NAME=q VALUE=x></TD></TR>"
         "</FORM></TABLE><INPUT NAME=after>",
         {{"h=1", "q=x"}, {"after="}}},
        {"FORM inside a cell, ending in the next",
         "<TABLE><TR><TD><FORM><INPUT NAME=a></TD><TD><INPUT NAME=b></FORM></TD><TD><INPUT NAME=c></TABLE>",
         {{"a=", "b="}, {"c="}}},
        {"FORM between TR and TD", "<TABLE><TR><FORM><TD><INPUT NAME=a></TD></FORM><TD><INPUT NAME=b></TD></TR>",
         {{"a="}, {"b="}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        FormPage p(c.Html);
        ASSERT_EQ(p.Doc.htmlFormList.size(), c.Forms.size());
        for (size_t i = 0; i < c.Forms.size(); ++i)
            EXPECT_EQ(p.results(i), c.Forms[i]) << "form " << i;
    }
}

TEST(FormControls, ControlsInPreformattedText) {
    FormPage p("<PRE>name: <INPUT NAME=n>\n<SELECT NAME=s><OPTION>a</SELECT> end</PRE>");
    const std::string control(1, ControlPlaceholder);
    EXPECT_EQ(p.shape(), "Text() Pre(name: " + control + ") Pre(" + control + " end)");
    EXPECT_EQ(p.results(), (Strings{"n=", "s=a"}));
}
