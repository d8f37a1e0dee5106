// THtmlView: the HTML viewer control. It owns one document, loads it from a local file,
// lays it out for its width, scrolls it in pixels, paints it double-buffered, tracks the
// mouse over links and images and turns clicks into events for its host.
#pragma once

#include "doc/builder.h"
#include "doc/section_list.h"
#include "image/picture_budget.h"
#include "platform/colors.h"
#include "platform/messages.h"
#include "view/view_types.h"

#include <QWidget>
#include <deque>
#include <exception>
#include <memory>
#include <string>
#include <vector>

class QScrollBar;
class QTimer;

namespace image {
class TMemoryStream;
}

namespace view {

class T32ScrollBar;
class TBorderSurface;
class TPaintPanel;

// The viewer is its document's host: pictures, events, the controls' parent, the animation
// timer and the fonts all come from here.
class THtmlView : public QWidget, private doc::TDocumentHost {
public:
    // Private messages the viewer posts to itself.
    static constexpr unsigned FormSubmitMessage = platform::WM_USER + 100;
    static constexpr unsigned AutoScrollMessage = platform::WM_USER + 102;
    static constexpr int MaxHorzWidth = 2000; // content wider than this is not scrolled further
    static constexpr int VertSmallStep = 16;
    static constexpr int HorzSmallStep = 15;

    explicit THtmlView(QWidget* parent = nullptr);
    ~THtmlView() override;

    // ---- Published properties ----
    platform::TColor DefBackground() const { return FDefBackground; }
    void SetDefBackground(platform::TColor color);
    platform::TColor DefFontColor() const { return FDefFontColor; }
    void SetDefFontColor(platform::TColor color);
    platform::TColor DefHotSpotColor() const { return FDefHotSpotColor; }
    void SetDefHotSpotColor(platform::TColor color);
    int DefFontSize() const { return FDefFontSize; }
    void SetDefFontSize(int size);
    const std::string& DefFontName() const { return FDefFontName; }
    void SetDefFontName(const std::string& name);
    const std::string& DefPreFontName() const { return FDefPreFontName; }
    void SetDefPreFontName(const std::string& name);
    int CharSet() const { return FCharSet; }
    void SetCharSet(int charSet);
    int MarginWidth() const { return FMarginWidth; }
    void SetMarginWidth(int width);
    int MarginHeight() const { return FMarginHeight; }
    void SetMarginHeight(int height);
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle style);
    THTMLBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(THTMLBorderStyle style);
    bool ViewImages() const;
    void SetViewImages(bool on);
    int ImageCacheCount() const { return FImageCacheCount; }
    void SetImageCacheCount(int count);
    // How many MiB the decoded pictures of one page may take together (1 MiB to 1 TiB;
    // 512 unless set). Pictures beyond it keep their placeholder and OnPictureRefused says so.
    int PictureMemory() const { return PictureBudget.LimitMiB(); }
    void SetPictureMemory(int mib) { PictureBudget.SetLimitMiB(mib); }
    // What the pictures of the page on show take now, in bytes.
    uint64_t PictureMemoryUsed() const { return PictureBudget.Used(); }
    int HistoryMaxCount() const { return FHistoryMaxCount; }
    void SetHistoryMaxCount(int count);
    bool NoSelect() const { return FNoSelect; }
    void SetNoSelect(bool on);
    const std::string& ServerRoot() const { return FServerRoot; }
    void SetServerRoot(const std::string& root);

    // ---- Operations of the host ----
    // Loads an HTML file; the name may end in "#anchor". Ignored while Processing or for an
    // empty name. A missing file raises EInOutError and leaves the document as it was.
    void LoadDocument(const std::string& name);
    // Shows an image file as a document of one image; the same guards.
    void ShowImageFile(const std::string& name);
    bool ScrollToAnchor(const std::string& dest);
    // Image data for every image whose source is Src; false (nothing done) while Processing.
    bool SupplyImage(const std::string& src, const image::TMemoryStream* stream);
    void ClearDocument();

    const std::string& DocTitle() const { return FDocTitle; }
    const std::string& DocumentFile() const { return FDocumentFile; }
    TDocKind DocKind() const { return FDocKind; }
    const std::string& LinkURL() const { return FLinkURL; }
    const std::string& LinkTarget() const { return FLinkTarget; }
    const std::string& EffectiveBase() const { return FEffectiveBase; }
    const std::string& DocBaseTarget() const { return FDocBaseTarget; }
    const std::string& FallbackBase() const { return FFallbackBase; }
    void SetFallbackBase(const std::string& base) { FFallbackBase = base; }
    bool Processing() const { return FProcessing; }

    // Packed position: section index * 65536 + offset into that section.
    int SectionPosition() const;
    void SetSectionPosition(int packed);
    // The document y at the top of the drawing surface.
    int ViewTop() const { return VPos; }
    void SetViewTop(int y);

    // A link or image name as a local path: "/" names are absolute (below ServerRoot when
    // one is set), others relative to the BASE, or to the directory of DocumentFile.
    virtual std::string ResolveFileName(const std::string& name);

    // ---- Selection, search and history ----
    // Searches forward from the caret; a match is selected, the caret moves after it and
    // the view scrolls to it when it is not in sight. False (nothing changes) when there is
    // no further match: the search does not wrap around to the top.
    bool FindForward(const std::string& text, bool matchCase);
    void SelectAll();
    // Puts the selected text on the clipboard; with nothing selected the clipboard keeps
    // what it had.
    void CopySelection();
    // The caret, as a character index; searches start here.
    int CaretPos() const { return Caret; }
    // The history, newest first: file, title, and position with the kind of document.
    const std::vector<std::string>& HistoryFiles() const { return FHistoryFiles; }
    const std::vector<std::string>& HistoryTitles() const { return FHistoryTitles; }
    const std::vector<PositionObj>& HistoryPositions() const { return FHistoryPositions; }
    int HistoryCurrent() const { return FHistoryCurrent; }
    void ClearHistory();

    // ---- Layout and scrolling ----
    void DoLayout();
    void ArrangeScrollBars();
    void ScrollToY(int y);
    int DocHeight() const { return FDocHeight; }
    int WidestLine() const { return FWidestLine; }
    int BarThickness() const { return FBarThickness; }
    int HorzPosition() const;

    // ---- The parts, for the host and for tests ----
    doc::TSectionList& Sections() { return *List; }
    const doc::TNameList& Anchors() const { return AnchorList; }
    TPaintPanel* PaintPanel() const { return Panel; }
    QWidget* BorderSurface() const;
    QScrollBar* VScrollBar() const;
    QScrollBar* HScrollBar() const;
    // The colour the drawing surface is filled with (the document's background).
    platform::TColor SurfaceColor() const { return FSurfaceColor; }

    // ---- Events (fired only when set) ----
    THotSpotEvent OnHotSpotCovered;
    THotSpotClickEvent OnHotSpotClick;
    TProcessingEvent OnProcessing;
    TIncludeType OnInclude;
    TSoundType OnSoundRequest;
    TMetaType OnMeta;
    TMetaRefreshType OnMetaRefresh;
    TImageClickEvent OnImageClick;
    TImageOverEvent OnImageOver;
    TRightClickEvent OnRightClick;
    TNotifyEvent OnHistoryChange;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;
    TKeyPressEvent OnKeyPress;
    TNotifyEvent OnEnter;
    // A picture of the page was left out for the picture memory limit; once a page, with
    // the text for the status line.
    TStatusTextEvent OnPictureRefused;
    // What the document asks of its host.
    void SetOnImageRequest(TImageRequestEvent handler) { FOnImageRequest = std::move(handler); }
    void SetOnScript(TScriptEvent handler) { FOnScript = std::move(handler); }
    void SetOnObjectClick(TObjectClickEvent handler) { FOnObjectClick = std::move(handler); }
    const TObjectClickEvent& OnObjectClick() const { return FOnObjectClick; }
    void SetOnFormSubmit(TFormSubmitEvent handler) { FOnFormSubmit = std::move(handler); }
    const TFormSubmitEvent& OnFormSubmit() const { return FOnFormSubmit; }

    // Keeps a submission and delivers it to OnFormSubmit from the message queue, after the
    // click that caused it is handled.
    void SubmitForm(const std::string& action, const std::string& target, const std::string& encType,
                    const std::string& method, std::vector<std::string> results);
    // A form control took the focus at document Y: scrolled into sight.
    void FormControlFocused(int y);
    // One step of the animated pictures, every 50 ms while the document has some.
    void AnimationFrame();

    // ---- Drawing-surface handlers (called by TPaintPanel) ----
    void PanelPaint(const QRect& clip, QPainter& screen);
    void PanelMouseDown(QMouseEvent* e);
    void PanelMouseMove(QMouseEvent* e);
    void PanelMouseUp(QMouseEvent* e);
    void PanelMouseLeave();
    void PanelDoubleClick(QMouseEvent* e);
    void PaintFrame(QPainter& painter);

protected:
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

    // Records the document left (OldFile...) and the one now on display.
    virtual void AddToHistory(const std::string& oldFile, const std::string& oldTitle, TDocKind oldKind,
                              int oldPosition);
    virtual void StartSelection(int x, int y);
    virtual void ExtendSelection(int x, int y);

    // Selection and click state.
    int Caret = 0;        // character index of the caret; never negative
    int DragOrigin = -1;  // where the mouse selection began; -1 when none
    bool Dragging = false;
    bool ClickPending = false; // the current left press may still become a link click
    bool LinkClicked = false;  // the last click followed a link
    bool AutoScrolling = false;

private:
    // The document's host.
    bool RequestImage(const std::string& src, image::TMemoryStream*& stream) override;
    bool ReservePictureMemory(const std::string& key, uint64_t bytes) override;
    std::string ImageFileName(const std::string& src) override { return ResolveFileName(src); }
    QWidget* ControlParent() const override;
    void ControlFocused(int y) override { FormControlFocused(y); }
    void ObjectClicked(doc::TFormControlObj* obj, const std::string& onClick) override;
    void FormSubmitted(const std::string& action, const std::string& target, const std::string& encType,
                       const std::string& method, std::vector<std::string> results) override;
    void BackgroundChanged(platform::TColor color) override;
    void StartAnimationTimer() override;
    void StopAnimationTimer() override;
    bool TakesScripts() const override { return static_cast<bool>(FOnScript); }
    void ScriptFound(const std::string& language, const std::string& script) override;
    void MetaFound(const std::string& httpEquiv, const std::string& name, const std::string& content) override;
    void SoundRequested(const std::string& src, int loop, bool terminate) override;
    bool TakesIncludes() const override { return static_cast<bool>(OnInclude); }
    void IncludeFound(const std::string& command, std::vector<std::string> params, std::string& buffer) override;

    intptr_t handleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam);

    void SetProcessing(bool on);
    // The page is left: its pictures no longer count against the budget.
    void ForgetPagePictures();
    void LoadCommon(const std::string& name, TDocKind kind);
    // The page on show goes: its sections, anchors and pictures, and the link and selection
    // state that points into it.
    void dropPage();
    // The parts of a load after the old page went: the new one is read (a failure is handed
    // back so that what was read is still shown), takes over the view's state, and is
    // scrolled to.
    std::exception_ptr parseDocument(const std::string& file, TDocKind kind);
    void takeParsedDocument(const std::string& file, TDocKind kind);
    void scrollToLoaded(const std::string& dest, const std::string& previousFile);
    void LoadAndRecord(const std::string& name, TDocKind kind);
    void MetaHandler(const std::string& httpEq, const std::string& name, const std::string& content);
    void FollowLink();
    void PassDefaults(platform::TColor background);
    void RelayoutKeepingPosition();
    // Fonts or colours changed: the document takes them and is laid out again.
    void FontsChanged();
    void SetMargin(int& margin, int value);
    void FetchBackground();
    // The character index under a point of the drawing surface (-1 over no text), and the
    // document y of the top of the line hit.
    int CharIndexAt(int x, int y, int& lineTop) const;
    void SelectWord(int x, int y);
    // The loop run by the auto-scroll message while the mouse is held outside the window.
    void AutoScroll();
    int SectionTop(int index) const;
    int MaxViewTop() const;
    int MaxHorzPosition() const;
    void SetHorzPosition(int x);
    // Sets the vertical position in the bar and the document; one small step moves the
    // window content, anything else repaints the surface.
    void MoveTo(int y, bool moveContent);
    void VBarAction(int action);
    void HBarAction(int action);
    void Resized();
    // The document point under a point of the drawing surface.
    QPoint DocumentPoint(int x, int y) const;
    bool LinkAtPoint(int x, int y, doc::TUrlTarget& link, doc::TFormControlObj*& control) const;
    bool ImageAtPoint(int x, int y, doc::TImageObj*& obj, int& ix, int& iy) const;

    // Children and companions.
    TBorderSurface* Border;
    TPaintPanel* Panel;
    T32ScrollBar* VBar;
    QScrollBar* HBar;
    std::unique_ptr<platform::TMessageForwarder> Messages; // the viewer's private messages
    QTimer* AnimTimer;
    std::unique_ptr<doc::TSectionList> List;
    doc::TNameList AnchorList;
    std::unique_ptr<doc::THtmlBuilder> Builder;

    // Property values.
    platform::TColor FDefBackground = platform::clBtnFace;
    platform::TColor FDefFontColor = platform::clBtnText;
    platform::TColor FDefHotSpotColor = platform::clBlue;
    int FDefFontSize = 12;
    std::string FDefFontName = "Times New Roman";
    std::string FDefPreFontName = "Courier New";
    int FCharSet = 1;
    int FMarginWidth = 10;
    int FMarginHeight = 5;
    TScrollStyle FScrollBars = ssBoth;
    THTMLBorderStyle FBorderStyle = htFocused;
    int FImageCacheCount = 5;
    image::TPictureBudget PictureBudget;
    bool PictureRefusalReported = false; // on the page on show
    int FHistoryMaxCount = 0;
    bool FNoSelect = false;
    std::string FServerRoot;

    // State.
    std::string FDocTitle, FDocumentFile, FLinkURL, FLinkTarget;
    std::string FEffectiveBase, FFallbackBase, FDocBaseTarget;
    TDocKind FDocKind = dkHTML;
    bool FProcessing = false;
    bool LayingOut = false;
    int FWidestLine = 0;   // pixels, at most MaxHorzWidth
    int FDocHeight = 0;    // pixels, margins included
    int FBarThickness = 0; // width of the vertical bar, height of the horizontal one
    int LaidOutWidth = -1; // control width at the last width-triggered layout
    int VPos = 0;          // vertical position (document y at the surface top)
    int HPos = 0;          // horizontal position (pixels of content scrolled off to the left)
    int HorzMax = 0;       // horizontal range maximum (content width, at least the view)
    int HorzLargeStep = 1;
    platform::TColor FSurfaceColor = platform::clBtnFace;
    int PendingRefreshDelay = 0;
    std::string PendingRefreshURL;
    TFormSubmitEvent FOnFormSubmit;
    TImageRequestEvent FOnImageRequest;
    TScriptEvent FOnScript;
    TObjectClickEvent FOnObjectClick;
    // META and BGSOUND count only in an HTML page: a picture shown as a document is read
    // from a made-up tag around its file name.
    bool ParsingHtml = false;

    struct TPendingSubmission {
        std::string Action, Target, EncType, Method;
        std::vector<std::string> Results;
    };
    // Each submission waits here for its own message, so two quick ones are both delivered.
    std::deque<TPendingSubmission> PendingSubmissions;

    // Where the pointer was last seen on the drawing surface while the left button was
    // held; the auto-scroll loop follows it.
    QPoint DragPoint;

    std::vector<std::string> FHistoryFiles, FHistoryTitles;
    std::vector<PositionObj> FHistoryPositions;
    int FHistoryCurrent = 0;
};

} // namespace view
