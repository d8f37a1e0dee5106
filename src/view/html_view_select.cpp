// THtmlView: what the user does with the text of a document (selecting with the mouse,
// with automatic scrolling when the mouse leaves the window, selecting a word, selecting
// everything, copying and searching forward from the caret) and the viewer's own history.
#include "view/html_view.h"

#include "doc/sel_text.h"
#include "platform/clock.h"
#include "view/paint_panel.h"

#include <QMouseEvent>
#include <QPointer>
#include <QTimer>
#include <algorithm>

namespace view {

namespace {

// Letters and digits of ISO 8859-1; the multiplication and division signs are no letters.
bool isWordChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') ||
           (u >= 192 && u != 215 && u != 247);
}

} // namespace

int THtmlView::CharIndexAt(int x, int y, int& lineTop) const {
    const QPoint p = DocumentPoint(x, y);
    int px = 0, caretHeight = 0;
    doc::TCell* cell = nullptr;
    bool inText = false;
    lineTop = 0;
    return List->PositionAt(p.x(), p.y(), px, lineTop, caretHeight, cell, inText);
}

// ---- Mouse selection ----

void THtmlView::StartSelection(int x, int y) {
    ClickPending = true;
    Dragging = true;
    int lineTop;
    const int i = CharIndexAt(x, y, lineTop);
    DragOrigin = i;
    if (i < 0) return;
    // With selection disabled the markers stay at -1; the caret still moves.
    if (!FNoSelect) {
        if (List->SelB != List->SelE) Panel->update();
        List->SelB = List->SelE = i;
    }
    Caret = i;
}

void THtmlView::ExtendSelection(int x, int y) {
    if (!Dragging || DragOrigin < 0) return;
    y = std::clamp(y, 0, height());
    int lineTop;
    const int i = CharIndexAt(x, y, lineTop);
    if (i != Caret && i >= 0 && !FNoSelect) {
        List->SelB = std::min(i, DragOrigin);
        List->SelE = std::max(i, DragOrigin);
        Panel->update();
    }
    if (i >= 0) Caret = i;
}

void THtmlView::AutoScroll() {
    // The loop handles messages, and one of them may close the window with the viewer.
    QPointer<THtmlView> self(this);
    // Waiting for a message must not outlast a step, even when no message comes.
    QTimer pulse;
    pulse.start(10);
    bool stepDue = true;
    uint32_t lastStep = 0;
    while (AutoScrolling) {
        const QPoint p = DragPoint;
        if (p.y() >= 1 && p.y() <= height()) break;
        const uint32_t now = platform::TickCount();
        if (stepDue || now - lastStep > 100) {
            stepDue = false;
            lastStep = now;
            const int s = VertSmallStep;
            int v = VPos;
            if (p.y() < -15)
                v -= 8 * s;
            else if (p.y() > height() + 15)
                v += 8 * s;
            else if (p.y() > height())
                v += s;
            else
                v -= s;
            ScrollToY(v);
            ExtendSelection(p.x(), p.y());
            Panel->update();
        }
        platform::HandleMessage();
        if (!self) return;
    }
    AutoScrolling = false;
}

void THtmlView::PanelDoubleClick(QMouseEvent* e) {
    // The first click of the pair may have followed a link; the word under the second one
    // is then not selected.
    const bool followedLink = LinkClicked;
    // A double click is first a press, as the desktop reports it.
    PanelMouseDown(e);
    if (e->button() != Qt::LeftButton || FNoSelect || FProcessing || followedLink) return;
    const QPoint pos = e->position().toPoint();
    SelectWord(pos.x(), pos.y());
}

void THtmlView::SelectWord(int x, int y) {
    int lineTop;
    const int i = CharIndexAt(x, y, lineTop);
    if (i < 0) return;
    Caret = i;
    // Past the end of a line the index is that of the next line's first character.
    int cx, cy;
    if (!List->PositionToPoint(Caret, cx, cy) || cy != lineTop) return;
    char ch;
    doc::TSectionBase* section = nullptr;
    if (!List->CharAt(Caret, ch, section) || !isWordChar(ch)) return;
    // A character of another section ends the word as a space would.
    auto inWord = [&](int pos) {
        char c;
        doc::TSectionBase* s = nullptr;
        return pos >= 0 && List->CharAt(pos, c, s) && s == section && isWordChar(c);
    };
    int first = Caret, last = Caret;
    while (inWord(last + 1)) ++last;
    while (inWord(first - 1)) --first;
    List->SelB = first;
    List->SelE = last + 1;
    Panel->update();
}

// ---- Whole-document operations ----

void THtmlView::SelectAll() {
    if (List->Empty() || FNoSelect) return;
    const doc::TSectionBase* last = List->Last();
    List->SelB = 0;
    List->SelE = last->FirstPos + last->PosCount;
    Panel->update();
    update();
}

void THtmlView::CopySelection() {
    if (List->SelB < 0 || List->SelE <= List->SelB) return;
    doc::ClipBuffer buffer;
    List->CopySelection(buffer);
    buffer.Finish();
}

bool THtmlView::FindForward(const std::string& text, bool matchCase) {
    // The text is searched as the zero-terminated string of at most 255 characters that
    // the document's search takes.
    std::string wanted(text.c_str());
    if (wanted.size() > 255) wanted.resize(255);
    if (wanted.empty()) return false;
    const int i = List->SearchText(Caret, wanted, matchCase);
    if (i < 0) return false;
    List->SelB = i;
    List->SelE = i + static_cast<int>(wanted.size());
    Caret = List->SelE;
    int x, y;
    if (List->PositionToPoint(i, x, y)) {
        const int viewY = y + FMarginHeight;
        const int clientHeight = Panel->height();
        if (viewY < VPos || viewY > VPos + clientHeight - 20) SetViewTop(viewY - clientHeight / 2);
    }
    Panel->update();
    return true;
}

// ---- History ----

void THtmlView::AddToHistory(const std::string& oldFile, const std::string& oldTitle, TDocKind oldKind,
                             int oldPosition) {
    if (FHistoryMaxCount <= 0 || FDocumentFile.empty()) return;
    const int position = SectionPosition();
    if (oldFile == FDocumentFile && oldKind == FDocKind && oldPosition == position) return;
    if (!FHistoryFiles.empty() && !oldFile.empty()) {
        // The page being left is remembered where the user left it; the entries ahead of
        // it are dropped.
        const auto current = static_cast<size_t>(FHistoryCurrent);
        FHistoryFiles[current] = oldFile;
        FHistoryTitles[current] = oldTitle;
        FHistoryPositions[current] = {oldPosition, oldKind};
        FHistoryFiles.erase(FHistoryFiles.begin(), FHistoryFiles.begin() + FHistoryCurrent);
        FHistoryTitles.erase(FHistoryTitles.begin(), FHistoryTitles.begin() + FHistoryCurrent);
        FHistoryPositions.erase(FHistoryPositions.begin(), FHistoryPositions.begin() + FHistoryCurrent);
    }
    FHistoryCurrent = 0;
    FHistoryFiles.insert(FHistoryFiles.begin(), FDocumentFile);
    FHistoryTitles.insert(FHistoryTitles.begin(), FDocTitle);
    FHistoryPositions.insert(FHistoryPositions.begin(), PositionObj{position, FDocKind});
    if (static_cast<int>(FHistoryFiles.size()) > FHistoryMaxCount) {
        FHistoryFiles.erase(FHistoryFiles.begin() + FHistoryMaxCount);
        FHistoryTitles.erase(FHistoryTitles.begin() + FHistoryMaxCount);
        FHistoryPositions.erase(FHistoryPositions.begin() + FHistoryMaxCount);
    }
    if (OnHistoryChange) OnHistoryChange(this);
}

void THtmlView::ClearHistory() {
    const bool hadEntries = !FHistoryFiles.empty();
    FHistoryFiles.clear();
    FHistoryTitles.clear();
    FHistoryPositions.clear();
    FHistoryCurrent = 0;
    if (hadEntries && OnHistoryChange) OnHistoryChange(this);
}

} // namespace view
