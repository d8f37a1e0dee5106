// Selecting with the mouse (dragging, auto-scrolling, double clicks), selecting all,
// copying, searching forward from the caret, and the viewer's own history.
#include "view_fixture.h"

#include "doc/sel_text.h"
#include "platform/colors.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTimer>
#include <vector>

using namespace viewtest;

namespace {

class SelectTest : public ViewTest {
protected:
    doc::TSectionList& doc() { return View->Sections(); }

    // The document position of the first occurrence of Text.
    int posOf(const std::string& text) {
        const int i = doc().SearchText(0, text, true);
        EXPECT_GE(i, 0) << text;
        return i;
    }

    // A point of the drawing surface inside the left half of the character at Pos.
    QPoint at(int pos) {
        int x = 0, y = 0;
        EXPECT_TRUE(doc().PositionToPoint(pos, x, y)) << pos;
        return {x + View->MarginWidth() - View->HorzPosition() + 1, y - View->ViewTop() + View->MarginHeight() + 4};
    }

    // The selected text, as copying would put it on the clipboard.
    std::string selectedText() {
        doc::ClipBuffer sink;
        doc().CopySelection(sink);
        return sink.Text;
    }

    bool nothingSelected() { return doc().SelE <= doc().SelB; }
    std::pair<int, int> selection() { return {doc().SelB, doc().SelE}; }

    // Press, release, and the second press that the desktop reports as a double click.
    void doubleClick(QPoint p) {
        QTest::mousePress(panel(), Qt::LeftButton, {}, p);
        QTest::mouseRelease(panel(), Qt::LeftButton, {}, p);
        QTest::mouseDClick(panel(), Qt::LeftButton, {}, p);
        QTest::mouseRelease(panel(), Qt::LeftButton, {}, p);
    }

    void drag(QPoint from, const std::vector<QPoint>& through) {
        QTest::mousePress(panel(), Qt::LeftButton, {}, from);
        for (QPoint p : through) QTest::mouseMove(panel(), p);
        QTest::mouseRelease(panel(), Qt::LeftButton, {}, through.back());
    }
};

} // namespace

TEST_F(SelectTest, DraggingSelectsFromThePressPointAndTurnsAroundIt) {
    View->LoadDocument(page("a.htm", "<p>Alpha beta <a href=\"x.htm\">gamma link</a> delta epsilon, zeta eta."));
    std::vector<std::string> clicked;
    View->OnHotSpotClick = [&](view::THtmlView*, const std::string& src, bool& handled) {
        clicked.push_back(src);
        handled = true;
    };
    const int beta = posOf("beta"), delta = posOf("delta"), link = posOf("link"), zeta = posOf("zeta");

    // Forwards across some words, released over the link: no link is followed.
    drag(at(beta), {at(link + 2)});
    EXPECT_EQ(selectedText(), "beta gamma li");
    EXPECT_TRUE(clicked.empty()) << "a release with text selected follows no link";

    // Upwards from the press point, then back past it: the selection turns around.
    QTest::mousePress(panel(), Qt::LeftButton, {}, at(delta));
    QTest::mouseMove(panel(), at(beta));
    EXPECT_EQ(selectedText(), "beta gamma link ");
    QTest::mouseMove(panel(), at(zeta));
    EXPECT_EQ(selection(), std::make_pair(delta, zeta));
    QTest::mouseRelease(panel(), Qt::LeftButton, {}, at(zeta));
    EXPECT_EQ(selectedText(), "delta epsilon, ");
    EXPECT_EQ(View->CaretPos(), zeta);

    // A plain click empties the selection and follows the link under it; a copy then
    // leaves the clipboard as it was.
    QTest::mouseClick(panel(), Qt::LeftButton, {}, at(link));
    EXPECT_TRUE(nothingSelected());
    EXPECT_EQ(clicked, std::vector<std::string>{"x.htm"});
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText("kept");
    const QString kept = clipboard->text(); // "" where the platform keeps no clipboard
    View->CopySelection();
    EXPECT_EQ(clipboard->text(), kept);

    // Across lines and paragraphs the copy has their breaks.
    View->LoadDocument(page("b.htm", "<p>First paragraph here.<p>Second one<br>on two lines."));
    drag(at(posOf("paragraph")), {at(posOf("two"))});
    EXPECT_EQ(selectedText(), "paragraph here.\r\n\r\nSecond one\r\non ");
}

TEST_F(SelectTest, ADoubleClickSelectsTheWordUnderIt) {
    View->LoadDocument(page("a.htm", "<p>Some words, <a href=\"x.htm\">linked text</a> and caf\xe9s.<p>Second "
                                     "paragraph 42x\xd7y."));
    int followed = 0;
    View->OnHotSpotClick = [&](view::THtmlView*, const std::string&, bool& handled) {
        ++followed;
        handled = true;
    };
    struct Case {
        const char* at;  // where the double click lands (its first character)
        int offset;      // characters further in
        const char* word; // what gets selected; "" for nothing
    } cases[] = {
        {"words", 2, "words"},
        {"Some", 0, "Some"},
        {"caf", 3, "caf\xe9s"},           // accented letters belong to words
        {"Second", 1, "Second"},          // the first word of another paragraph
        {"paragraph", 8, "paragraph"},    // the last letter of a word
        {"42x", 1, "42x"},                // x (215) is no letter: it ends the word
        {", ", 0, ""},                    // punctuation selects nothing
        {" and", 0, ""},                  // neither does a space
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word);
        doc().SelB = doc().SelE = 0;
        doubleClick(at(posOf(c.at) + c.offset));
        EXPECT_EQ(selectedText(), c.word);
    }
    EXPECT_EQ(followed, 0);

    // On a link the first click follows it, and the word is not selected.
    doubleClick(at(posOf("linked") + 1));
    EXPECT_TRUE(nothingSelected());
    EXPECT_GE(followed, 1);
}

TEST_F(SelectTest, WithNoSelectNothingIsEverSelected) {
    View->LoadDocument(page("a.htm", "<p>Alpha beta gamma delta."));
    View->SelectAll();
    ASSERT_FALSE(nothingSelected());
    View->SetNoSelect(true);
    EXPECT_EQ(selection(), std::make_pair(-1, -1));
    View->SelectAll();
    drag(at(posOf("beta")), {at(posOf("delta"))});
    doubleClick(at(posOf("gamma") + 1));
    EXPECT_EQ(selection(), std::make_pair(-1, -1));
    EXPECT_EQ(View->CaretPos(), posOf("gamma") + 1) << "the caret still moves";

    View->SetNoSelect(false);
    drag(at(posOf("beta")), {at(posOf("delta"))});
    EXPECT_EQ(selectedText(), "beta gamma ");
}

TEST_F(SelectTest, FindForwardGoesFromTheCaretAndDoesNotWrap) {
    View->LoadDocument(page("a.htm", "<p>An Apple, an apple and an APPLE.<p>Pineapple."));
    struct Step {
        bool matchCase;
        const char* text;
        const char* from; // the caret is put at the start of this text first ("" keeps it)
        bool found;
        const char* selectedAt; // the selection begins at this text ("": nothing selected)
    } steps[] = {
        {false, "apple", "APPLE.", true, "APPLE."},
        {false, "apple", "", true, "apple."},     // inside "Pineapple", another paragraph
        {false, "apple", "", false, "apple."},    // no more: false, the last match stays
        {false, "apple", "", false, "apple."},    // and it does not start again at the top
        {true, "Apple", "apple and", false, ""},  // the only one is behind the caret
        {false, "", "An", false, ""},             // an empty text finds nothing
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(std::string(s.text) + (s.matchCase ? " (match case)" : "") + " from " + s.from);
        if (*s.from) QTest::mouseClick(panel(), Qt::LeftButton, {}, at(posOf(s.from)));
        EXPECT_EQ(View->FindForward(s.text, s.matchCase), s.found);
        if (!*s.selectedAt) {
            EXPECT_TRUE(nothingSelected());
            continue;
        }
        const int start = posOf(s.selectedAt);
        EXPECT_EQ(selection(), std::make_pair(start, start + 5));
        if (s.found) {
            EXPECT_EQ(View->CaretPos(), start + 5);
        }
    }
}

TEST_F(SelectTest, FindForwardCentresAMatchOutOfSightAndLeavesOneInSight) {
    View->LoadDocument(page("a.htm", longBody(60) + "<p>far below" + longBody(20)));
    ASSERT_TRUE(View->FindForward("Paragraph 3 ", true));
    EXPECT_EQ(View->ViewTop(), 0) << "a match in the visible band is not scrolled to";

    ASSERT_TRUE(View->FindForward("far below", true));
    int x, y;
    ASSERT_TRUE(doc().PositionToPoint(doc().SelB, x, y));
    EXPECT_EQ(View->ViewTop(), y + View->MarginHeight() - panel()->height() / 2) << "the match is centred";
}

TEST_F(SelectTest, HoldingTheMouseOutsideTheWindowScrollsAndExtendsTheSelection) {
    // Lines that follow each other without gaps, so that every point beside them is on text.
    std::string lines = "<p>";
    for (int i = 0; i < 200; ++i) lines += "Line " + std::to_string(i) + " of the page<br>";
    View->LoadDocument(page("a.htm", lines));
    struct Case {
        const char* name;
        int startTop;   // the view before the drag
        int below;      // how far below the window (negative: above it) the mouse is held
        int step;       // the scroll of one step
    } cases[] = {
        {"far below", 0, 20, 8 * 16},
        {"just below", 0, 5, 16},
        {"far above", 1000, -20, -8 * 16},
        {"just above", 1000, -5, -16},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        View->ScrollToY(c.startTop);
        const QPoint press(60, panel()->height() / 2);
        const QPoint outside(60, c.below > 0 ? View->height() + c.below : c.below);
        QTest::mousePress(panel(), Qt::LeftButton, {}, press);
        const int origin = doc().SelB;
        ASSERT_GE(origin, 0);
        // The button is released as soon as the first step has been made.
        QTimer release;
        QObject::connect(&release, &QTimer::timeout, [&] {
            if (View->ViewTop() == c.startTop) return;
            release.stop();
            QTest::mouseRelease(panel(), Qt::LeftButton, {}, outside);
        });
        release.start(0);
        QTest::mouseMove(panel(), outside);
        ASSERT_TRUE(testsupport::waitUntil([&] { return !release.isActive(); }, 5000));
        QCoreApplication::processEvents(); // the loop ends after the release
        EXPECT_EQ(View->ViewTop(), c.startTop + c.step);
        // The selection runs from the press point to the edge the mouse went past.
        if (c.below > 0) {
            EXPECT_EQ(doc().SelB, origin);
            EXPECT_GT(doc().SelE, origin);
        } else {
            EXPECT_LT(doc().SelB, origin);
            EXPECT_EQ(doc().SelE, origin);
        }
        // The caret is at the text beside the edge the mouse went past.
        const QPoint d = documentPoint(outside.x(), c.below > 0 ? View->height() : 0);
        int px, lineTop, h;
        doc::TCell* cell = nullptr;
        bool inText;
        if (const int edge = doc().PositionAt(d.x(), d.y(), px, lineTop, h, cell, inText); edge >= 0) {
            EXPECT_EQ(View->CaretPos(), edge);
        }
    }
}

TEST_F(SelectTest, TheSelectionIsDrawnInTheHighlightColours) {
    View->LoadDocument(page("a.htm", "<p>Plain words and <b>selected words</b> after them."));
    const QImage before = surface();
    doubleClick(at(posOf("selected") + 2));
    ASSERT_EQ(selectedText(), "selected");
    const QImage after = surface();
    after.save(QString(TEST_BINARY_DIR) + "/view_selection.png"); // to look at

    const QRgb highlight = platform::ToQColor(platform::clHighlight).rgb();
    const QPoint from = at(posOf("selected")), to = at(posOf("selected") + 8);
    const QRect word(from.x() - 1, from.y() - 20, to.x() - from.x() + 2, 41);
    int inside = 0, outside = 0, highlightedBefore = 0;
    for (int y = 0; y < after.height(); ++y)
        for (int x = 0; x < after.width(); ++x) {
            highlightedBefore += before.pixel(x, y) == highlight;
            if (after.pixel(x, y) == highlight) ++(word.contains(x, y) ? inside : outside);
        }
    EXPECT_GT(inside, 100) << "the selected word has a highlighted background";
    EXPECT_EQ(outside, 0);
    EXPECT_EQ(highlightedBefore, 0);
}

TEST_F(SelectTest, TheHistoryKeepsTheNewestEntriesUpToItsLimit) {
    std::vector<std::string> files;
    for (int i = 0; i < 5; ++i)
        files.push_back(page("p" + std::to_string(i) + ".htm", "<title>T" + std::to_string(i) + "</title><p>x"));
    int changes = 0;
    View->OnHistoryChange = [&](view::THtmlView*) { ++changes; };

    View->LoadDocument(files[0]);
    EXPECT_TRUE(View->HistoryFiles().empty()) << "off by default";
    EXPECT_EQ(changes, 0);

    View->SetHistoryMaxCount(3);
    for (int i = 1; i < 5; ++i) View->LoadDocument(files[static_cast<size_t>(i)]);
    EXPECT_EQ(View->HistoryFiles(), (std::vector<std::string>{files[4], files[3], files[2]}));
    EXPECT_EQ(View->HistoryTitles(), (std::vector<std::string>{"T4", "T3", "T2"}));
    EXPECT_EQ(View->HistoryCurrent(), 0);
    EXPECT_EQ(changes, 4);

    View->LoadDocument(files[4]); // the same file again records nothing
    EXPECT_EQ(changes, 4);

    View->SetHistoryMaxCount(5); // raising keeps the entries
    EXPECT_EQ(View->HistoryFiles().size(), 3u);
    View->SetHistoryMaxCount(2); // lowering empties the history
    EXPECT_TRUE(View->HistoryFiles().empty());
    EXPECT_TRUE(View->HistoryTitles().empty());
    EXPECT_TRUE(View->HistoryPositions().empty());
    EXPECT_EQ(changes, 5);
    View->SetHistoryMaxCount(-1);
    EXPECT_EQ(View->HistoryMaxCount(), 2);
}

TEST_F(SelectTest, TheHistoryRemembersWhereEachPageWasLeft) {
    copyGif("gif89a.gif", "pic.gif");
    const std::string a = page("a.htm", "<p><a href=\"#s5\">down</a> <a href=\"pic.gif\">pic</a>" + longBody(80));
    View->SetHistoryMaxCount(10);
    View->LoadDocument(a);
    ASSERT_EQ(View->HistoryFiles().size(), 1u);
    EXPECT_EQ(View->HistoryPositions()[0].Packed, 0);

    // An anchor within the page adds an entry for the same file at the new position.
    ASSERT_TRUE(clickLink("#s5"));
    ASSERT_GT(View->ViewTop(), 0);
    const int anchorPosition = View->SectionPosition();
    EXPECT_EQ(View->HistoryFiles(), (std::vector<std::string>{a, a}));
    EXPECT_EQ(View->HistoryPositions()[0].Packed, anchorPosition);
    EXPECT_EQ(View->HistoryPositions()[1].Packed, 0);

    // Leaving the page for a picture keeps where it was left, and the kind of each.
    View->ScrollToY(4);
    const int leftAt = View->SectionPosition();
    ASSERT_NE(leftAt, 0);
    ASSERT_TRUE(clickLink("pic.gif"));
    ASSERT_EQ(View->DocKind(), view::dkImage);
    ASSERT_EQ(View->HistoryFiles().size(), 3u);
    EXPECT_EQ(View->HistoryFiles()[0], Dir.file("pic.gif"));
    EXPECT_EQ(View->HistoryPositions()[0].DocKind, view::dkImage);
    EXPECT_EQ(View->HistoryPositions()[1].DocKind, view::dkHTML);
    EXPECT_EQ(View->HistoryPositions()[1].Packed, leftAt);

    // A page that fails part-way is shown as far as it goes, and the page left is kept.
    const std::string open = page("open.htm", "<title>Open</title>shown<!-- never closed");
    EXPECT_ANY_THROW(View->LoadDocument(open));
    EXPECT_EQ(View->DocumentFile(), open);
    ASSERT_EQ(View->HistoryFiles().size(), 4u);
    EXPECT_EQ(View->HistoryFiles()[0], open);
    EXPECT_EQ(View->HistoryFiles()[1], Dir.file("pic.gif"));
}
