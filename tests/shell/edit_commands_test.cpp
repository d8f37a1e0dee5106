// The commands of the "Edit" menu: "Select All" and "Find from cursor" with its
// non-modal find dialog and the box that says there is nothing further.
#include "doc/section_list.h"
#include "shell/browser_window.h"
#include "shell/find_dialog.h"
#include "shell_test_support.h"
#include "test_support.h"
#include "view/html_view.h"
#include "view/paint_panel.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using shell::TFMain;

namespace {

class EditCommandsTest : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    std::unique_ptr<TFMain> w;

    void SetUp() override {
        dir.write("page.html", "<title>Fruit</title><p>An Apple, an apple<p>and an APPLE.");
        w = shelltest::Window(dir, "");
        w->resize(600, 400);
        w->show();
        w->OpenUrl("file://" + dir.path() + "page.html", true);
        ASSERT_EQ(w->windowTitle().toStdString(), "Fruit");
    }

    doc::TSectionList& document() { return w->HTMLVisor->Sections(); }
    // The document text between two positions, read character by character.
    std::string text(int from, int to) {
        std::string s;
        for (int i = from; i < to; ++i) {
            char c;
            doc::TSectionBase* section = nullptr;
            if (document().CharAt(i, c, section)) s += c;
        }
        return s;
    }

    // Presses "Find Next" in the find dialog; the text of any message box it raises is
    // returned (and the box closed).
    std::string findNext(const std::string& wanted, bool matchCase) {
        w->FindDialog->EText->setText(QString::fromLatin1(wanted.c_str()));
        w->FindDialog->CBMatchCase->setChecked(matchCase);
        std::string message;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                message = box->text().toStdString();
                box->accept();
            }
        });
        watch.start(10);
        QPushButton* next = nullptr;
        for (auto* b : w->FindDialog->findChildren<QPushButton*>())
            if (b->text() == "Find Next") next = b;
        EXPECT_TRUE(next);
        if (next) QTest::mouseClick(next, Qt::LeftButton);
        return message;
    }
};

} // namespace

// Copying the selection is in view_select_test.cpp and, with Ctrl+C, in the X-server tests.
TEST_F(EditCommandsTest, SelectAllSelectsTheWholePage) {
    w->MSelectAll->trigger();
    EXPECT_EQ(document().SelB, 0);
    EXPECT_EQ(text(document().SelB, document().SelE), "An Apple, an appleand an APPLE.");
}

TEST_F(EditCommandsTest, FindFromCursorSearchesOnUntilNothingFurtherIsFound) {
    w->MFind->trigger();
    EXPECT_TRUE(w->FindDialog->isVisible());
    EXPECT_FALSE(w->FindDialog->isModal());

    struct Step {
        const char* text;
        bool matchCase;
        const char* found; // the selected match; "" when the box says there is no further one
    } steps[] = {
        {"apple", false, "Apple"}, {"apple", false, "apple"}, {"apple", false, "APPLE"},
        {"apple", false, ""},      {"APPLE", true, ""},
    };
    int lastSelB = -1;
    for (const Step& s : steps) {
        SCOPED_TRACE(std::string(s.text) + (s.matchCase ? " (match case)" : ""));
        const std::string message = findNext(s.text, s.matchCase);
        if (*s.found) {
            EXPECT_EQ(message, "");
            EXPECT_EQ(text(document().SelB, document().SelE), s.found);
            EXPECT_GT(document().SelB, lastSelB);
            lastSelB = document().SelB;
        } else {
            EXPECT_EQ(message, "No further occurances of \"" + std::string(s.text) + "\"");
            EXPECT_EQ(document().SelB, lastSelB) << "the last match stays selected";
        }
    }

    // From a caret put back at the top, match case finds only the upper-case word.
    int x = 0, y = 0;
    ASSERT_TRUE(document().PositionToPoint(0, x, y));
    const QPoint first(x + w->HTMLVisor->MarginWidth() + 1, y + w->HTMLVisor->MarginHeight() + 4);
    QTest::mouseClick(w->HTMLVisor->PaintPanel(), Qt::LeftButton, {}, first);
    EXPECT_EQ(w->HTMLVisor->CaretPos(), 0);
    EXPECT_EQ(findNext("APPLE", true), "");
    EXPECT_EQ(text(document().SelB, document().SelE), "APPLE");
}
