#include "view/html_view.h"

#include "doc/cursors.h"
#include "doc/dos_names.h"
#include "doc/form_control.h"
#include "doc/image_obj.h"
#include "image/gif_image.h"
#include "image/image_support.h"
#include "platform/canvas.h"
#include "platform/files.h"
#include "platform/scope_exit.h"
#include "platform/text.h"
#include "view/paint_panel.h"
#include "view/scroll_bar32.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>
#include <QTimer>
#include <algorithm>
#include <cctype>

namespace view {

namespace {

std::string absolutePath(const std::string& name) {
    return QFileInfo(QString::fromLatin1(name.c_str())).absoluteFilePath().toLatin1().toStdString();
}

std::string cleanPath(const std::string& name) {
    return QDir::cleanPath(QString::fromLatin1(name.c_str())).toLatin1().toStdString();
}

// The directory part of a path, with its trailing "/" ("" for a bare name).
std::string directoryOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// ".HTML" from "/a/b/page.html": upper case, at most 5 characters; "" without one.
std::string extensionOf(const std::string& path) {
    const size_t dot = path.rfind('.');
    const size_t slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return platform::UpperCase(path.substr(dot, 5));
}

// "5" of "5; URL=x"; -1 when there is no ";" or the part before it is no number.
int refreshDelay(const std::string& content) {
    const size_t semi = content.find(';');
    if (semi == std::string::npos) return -1;
    const std::string number = doc::TrimBlanks(content.substr(0, semi));
    if (number.empty()) return -1;
    size_t i = number[0] == '-' || number[0] == '+' ? 1 : 0;
    if (i == number.size()) return -1;
    long value = 0;
    for (; i < number.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(number[i]))) return -1;
        value = std::min(value * 10 + (number[i] - '0'), 1L << 30);
    }
    return number[0] == '-' ? -static_cast<int>(value) : static_cast<int>(value);
}

// A picture shown as a document is read as a page of one IMG tag. The name is quoted as an
// attribute value, so that no file name can add tags, comments or include directives; nor
// is it cut, which lost long paths.
std::string imagePage(const std::string& file) {
    std::string html = "<img src=\"";
    for (char c : file) {
        if (c == '&')
            html += "&amp;";
        else if (c == '"')
            html += "&quot;";
        else if (c == '<')
            html += "&lt;";
        else
            html += c;
    }
    html += "\">";
    return html;
}

// Shows the hourglass for the lifetime of the object.
class THourglass {
public:
    THourglass() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~THourglass() { QApplication::restoreOverrideCursor(); }
    THourglass(const THourglass&) = delete;
    THourglass& operator=(const THourglass&) = delete;
};

} // namespace

// ---- Construction ----

THtmlView::THtmlView(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    resize(150, 150);

    Border = new TBorderSurface(this, this);
    Border->setGeometry(rect());
    Border->lower();

    Panel = new TPaintPanel(this, this);
    Panel->move(1, 1);
    Panel->setCursor(doc::IBeamCursor());

    VBar = new T32ScrollBar(Qt::Vertical, this);
    VBar->SmallStep = VertSmallStep;
    VBar->setSingleStep(VertSmallStep);
    VBar->setFocusPolicy(Qt::NoFocus);
    VBar->hide();
    FBarThickness = VBar->sizeHint().width();

    HBar = new QScrollBar(Qt::Horizontal, this);
    HBar->setSingleStep(HorzSmallStep);
    HBar->setFocusPolicy(Qt::NoFocus);
    HBar->hide();

    connect(VBar, &QAbstractSlider::actionTriggered, this,
            [this](int action) { platform::Guard([&] { VBarAction(action); }); });
    connect(HBar, &QAbstractSlider::actionTriggered, this,
            [this](int action) { platform::Guard([&] { HBarAction(action); }); });

    Messages = std::make_unique<platform::TMessageForwarder>(
        [this](unsigned msg, uintptr_t w, intptr_t l) { return handleMessage(msg, w, l); });
    Builder = std::make_unique<doc::THtmlBuilder>();
    AnimTimer = new QTimer(this);
    AnimTimer->setInterval(50);
    connect(AnimTimer, &QTimer::timeout, this, [this] {
        platform::Guard([&] { AnimationFrame(); });
    });
    List = std::make_unique<doc::TSectionList>(static_cast<doc::TDocumentHost*>(this));
    List->ShowImages = false;

    SetDefBackground(platform::clBtnFace);
    SetDefFontColor(platform::clBtnText);
    SetDefHotSpotColor(platform::clBlue);
    SetDefFontSize(12);
    PassDefaults(FDefBackground);
    SetImageCacheCount(5);
}

THtmlView::~THtmlView() {
    // The document's controls and timer go before the widgets they refer to.
    List.reset();
}

QWidget* THtmlView::BorderSurface() const { return Border; }
QScrollBar* THtmlView::VScrollBar() const { return VBar; }
QScrollBar* THtmlView::HScrollBar() const { return HBar; }

void THtmlView::SetProcessing(bool on) {
    if (FProcessing == on) return;
    FProcessing = on;
    if (OnProcessing) OnProcessing(this, on);
}

// ---- Properties ----

void THtmlView::PassDefaults(platform::TColor background) {
    List->Charset = FCharSet;
    List->SetDefaults(FDefFontName, FDefPreFontName, background, FDefHotSpotColor, FDefFontColor, FDefFontSize);
}

void THtmlView::RelayoutKeepingPosition() {
    if (List->Empty()) return;
    const int pos = SectionPosition();
    DoLayout();
    SetSectionPosition(pos);
}

void THtmlView::FontsChanged() {
    PassDefaults(List->Background);
    if (!FProcessing) RelayoutKeepingPosition();
    Panel->update();
}

void THtmlView::SetDefBackground(platform::TColor color) {
    if (FProcessing) return;
    FDefBackground = color;
    List->SetBackgroundColor(color);
    Panel->update();
}

void THtmlView::SetDefFontColor(platform::TColor color) {
    FDefFontColor = color;
    PassDefaults(List->Background);
    Panel->update();
}

void THtmlView::SetDefHotSpotColor(platform::TColor color) {
    FDefHotSpotColor = color;
    PassDefaults(List->Background);
    Panel->update();
}

void THtmlView::SetDefFontSize(int size) {
    FDefFontSize = std::max(size, 6);
    FontsChanged();
}

void THtmlView::SetDefFontName(const std::string& name) {
    if (platform::EqualNoCase(name, FDefFontName)) return;
    FDefFontName = name.substr(0, 32);
    FontsChanged();
}

void THtmlView::SetDefPreFontName(const std::string& name) {
    if (platform::EqualNoCase(name, FDefPreFontName)) return;
    FDefPreFontName = name.substr(0, 32);
    FontsChanged();
}

void THtmlView::SetCharSet(int charSet) {
    FCharSet = charSet;
    FontsChanged();
}

void THtmlView::SetMargin(int& margin, int value) {
    if (value < 0 || value > 50 || value == margin || FProcessing) return;
    THourglass busy;
    SetProcessing(true);
    margin = value;
    RelayoutKeepingPosition();
    SetProcessing(false);
    Panel->update();
}

void THtmlView::SetMarginWidth(int width) { SetMargin(FMarginWidth, width); }

void THtmlView::SetMarginHeight(int height) { SetMargin(FMarginHeight, height); }

void THtmlView::SetScrollBars(TScrollStyle style) {
    if (style == FScrollBars) return;
    FScrollBars = style;
    if (FProcessing) return;
    SetProcessing(true);
    RelayoutKeepingPosition();
    if (List->Empty()) ArrangeScrollBars();
    SetProcessing(false);
    Panel->update();
}

void THtmlView::SetBorderStyle(THTMLBorderStyle style) {
    if (style == FBorderStyle) return;
    FBorderStyle = style;
    ArrangeScrollBars();
    Border->update();
}

bool THtmlView::ViewImages() const { return List->ShowImages; }

void THtmlView::SetViewImages(bool on) {
    if (on == List->ShowImages || FProcessing) return;
    THourglass busy;
    SetProcessing(true);
    List->ShowImages = on;
    if (!List->Empty()) {
        // A picture shown now must be asked for again; one hidden needs no asking.
        List->BackgroundAttempted = false;
        FetchBackground();
        RelayoutKeepingPosition();
        Panel->update();
    }
    SetProcessing(false);
}

void THtmlView::SetImageCacheCount(int count) {
    FImageCacheCount = std::clamp(count, 0, 20);
    image::ImageCache().SetAgeLimit(FImageCacheCount);
}

void THtmlView::SetHistoryMaxCount(int count) {
    if (count < 0 || count == FHistoryMaxCount) return;
    if (count < FHistoryMaxCount) ClearHistory();
    FHistoryMaxCount = count;
}

void THtmlView::SetNoSelect(bool on) {
    if (on == FNoSelect) return;
    FNoSelect = on;
    if (on) {
        List->SelB = List->SelE = -1;
        Panel->update();
    }
}

void THtmlView::SetServerRoot(const std::string& root) {
    std::string r = doc::TrimBlanks(root);
    if (!r.empty() && (r.back() == '\\' || r.back() == '/')) r.pop_back();
    FServerRoot = r;
}

// ---- The document's host ----

bool THtmlView::RequestImage(const std::string& src, image::TMemoryStream*& stream) {
    if (!FOnImageRequest) return false;
    FOnImageRequest(this, src, stream);
    return true;
}

bool THtmlView::ReservePictureMemory(const std::string& key, uint64_t bytes) {
    if (PictureBudget.Reserve(key, bytes)) return true;
    // One report a page: the reason is the same for every picture left out.
    if (!PictureRefusalReported) {
        PictureRefusalReported = true;
        if (OnPictureRefused)
            OnPictureRefused(this, "Picture not shown: the page's pictures would take more than " +
                                       std::to_string(PictureBudget.LimitMiB()) + " MiB");
    }
    return false;
}

void THtmlView::ForgetPagePictures() {
    PictureBudget.Clear();
    PictureRefusalReported = false;
}

QWidget* THtmlView::ControlParent() const { return Panel; }

void THtmlView::ObjectClicked(doc::TFormControlObj* obj, const std::string& onClick) {
    if (FOnObjectClick) FOnObjectClick(this, obj, onClick);
}

void THtmlView::FormSubmitted(const std::string& action, const std::string& target, const std::string& encType,
                              const std::string& method, std::vector<std::string> results) {
    SubmitForm(action, target, encType, method, std::move(results));
}

void THtmlView::BackgroundChanged(platform::TColor color) {
    FSurfaceColor = color;
    Panel->update();
    Border->update();
}

void THtmlView::StartAnimationTimer() {
    if (!AnimTimer->isActive()) AnimTimer->start();
}

void THtmlView::StopAnimationTimer() { AnimTimer->stop(); }

void THtmlView::AnimationFrame() {
    // Only pictures drawn in the last paint move on; the others are out of sight. Each
    // starts once after a layout and then runs until its loop count says stop; a single
    // picture has nothing to run.
    for (doc::TImageObj* img : List->AnimList) {
        image::TGIFImage* gif = img->Animated.get();
        if (!gif || !gif->PaintedLately || !gif->MultiFrame()) continue;
        if (!img->AnimationStarted) {
            img->AnimationStarted = true;
            gif->SetRunning(true);
        }
        if (gif->Running()) gif->Tick(Panel);
    }
}

void THtmlView::ScriptFound(const std::string& language, const std::string& script) {
    if (FOnScript) FOnScript(this, language, script);
}

void THtmlView::MetaFound(const std::string& httpEquiv, const std::string& name, const std::string& content) {
    if (ParsingHtml) MetaHandler(httpEquiv, name, content);
}

void THtmlView::SoundRequested(const std::string& src, int loop, bool terminate) {
    if (ParsingHtml && OnSoundRequest) OnSoundRequest(this, src, loop, terminate);
}

void THtmlView::IncludeFound(const std::string& command, std::vector<std::string> params, std::string& buffer) {
    if (OnInclude) OnInclude(this, command, std::move(params), buffer);
}

// ---- Loading ----

void THtmlView::LoadDocument(const std::string& name) { LoadAndRecord(name, dkHTML); }

void THtmlView::ShowImageFile(const std::string& name) { LoadAndRecord(name, dkImage); }

void THtmlView::LoadAndRecord(const std::string& name, TDocKind kind) {
    if (FProcessing || name.empty()) return;
    const std::string oldFile = FDocumentFile, oldTitle = FDocTitle;
    const int oldPosition = SectionPosition();
    const TDocKind oldKind = FDocKind;
    // The history records the page left even when the new one failed part-way.
    struct TRecord {
        THtmlView* View;
        const std::string& OldFile;
        const std::string& OldTitle;
        TDocKind OldKind;
        int OldPosition;
        // Whenever another page came up, even when the load then failed part-way (its
        // page is shown as far as it goes); a load that changed nothing records nothing.
        ~TRecord() {
            if (View->FDocumentFile != OldFile || View->FDocKind != OldKind)
                View->AddToHistory(OldFile, OldTitle, OldKind, OldPosition);
        }
    } record{this, oldFile, oldTitle, oldKind, oldPosition};
    LoadCommon(name, kind);
}

void THtmlView::LoadCommon(const std::string& name, TDocKind kind) {
    THourglass busy;
    const size_t hash = name.find('#');
    const std::string file = name.substr(0, hash);
    const std::string dest = hash == std::string::npos ? std::string() : name.substr(hash + 1, 255);

    PendingRefreshDelay = 0;
    PendingRefreshURL.clear();
    SetProcessing(true);
    platform::TScopeExit done([this] { SetProcessing(false); });

    if (!platform::IsPlainFile(file)) throw EInOutError("Can't locate file: " + file);

    const std::string previousFile = FDocumentFile;
    dropPage();
    image::ImageCache().AgeImages();
    std::exception_ptr failure = parseDocument(file, kind);

    // What was built is shown even when the parse failed part-way.
    takeParsedDocument(file, kind);
    // A layout failure (a table with too many columns) is reported like a parse failure,
    // after the page is shown.
    try {
        DoLayout();
    } catch (...) {
        if (!failure) failure = std::current_exception();
    }
    LaidOutWidth = width();
    scrollToLoaded(dest, previousFile);
    Panel->update();
    if (failure) std::rethrow_exception(failure);

    SetProcessing(false);
    if (PendingRefreshDelay > 0 && OnMetaRefresh) OnMetaRefresh(this, PendingRefreshDelay, PendingRefreshURL);
}

void THtmlView::dropPage() {
    List->Clear();
    ForgetPagePictures();
    List->SetBackgroundImage("");
    PassDefaults(FDefBackground);
    AnchorList.Clear();
    FLinkURL.clear();
    FLinkTarget.clear();
    Caret = 0;
    DragOrigin = -1;
}

std::exception_ptr THtmlView::parseDocument(const std::string& file, TDocKind kind) {
    std::exception_ptr failure;
    try {
        if (kind == dkHTML) {
            if (OnSoundRequest) OnSoundRequest(this, "", 0, true);
            ParsingHtml = true;
            Builder->ParseFile(*List, AnchorList, file);
        } else {
            Builder->ParseBuffer(*List, AnchorList, imagePage(file));
        }
    } catch (...) {
        failure = std::current_exception();
    }
    ParsingHtml = false;
    return failure;
}

void THtmlView::takeParsedDocument(const std::string& file, TDocKind kind) {
    FDocumentFile = absolutePath(file);
    FDocKind = kind;
    FDocTitle = Builder->Title;
    FEffectiveBase = Builder->Base.empty() ? FFallbackBase : Builder->Base;
    FDocBaseTarget = Builder->BaseTarget;
    LayingOut = true;
    FetchBackground();
    LayingOut = false;
}

void THtmlView::scrollToLoaded(const std::string& dest, const std::string& previousFile) {
    if (!dest.empty()) {
        ScrollToAnchor(dest);
    } else if (FDocumentFile != previousFile) {
        ScrollToY(0);
        SetHorzPosition(0);
    } else {
        ScrollToY(VPos); // the same file again keeps the view, within the new height
        SetHorzPosition(HorzPosition());
    }
}

void THtmlView::MetaHandler(const std::string& httpEq, const std::string& name, const std::string& content) {
    if (OnMeta) OnMeta(this, httpEq, name, content);
    if (!OnMetaRefresh || !platform::EqualNoCase(httpEq, "refresh")) return;
    const int delay = refreshDelay(content);
    const size_t url = platform::FindNoCase(content, "url=");
    if (delay >= 1 && url != std::string::npos) {
        PendingRefreshURL = content.substr(url + 4);
        PendingRefreshDelay = delay;
    }
}

void THtmlView::FetchBackground() {
    doc::TSectionList& list = *List;
    if (!list.ShowImages || list.BackgroundName.empty() || !list.BackgroundBitmap.isNull() ||
        list.BackgroundAttempted)
        return;
    list.BackgroundAttempted = true;
    const doc::TObtainedPicture got = doc::ObtainPicture(list, list.BackgroundName, {});
    if (got.Pending) {
        list.MissingImages.emplace_back(list.BackgroundName, nullptr);
        return;
    }
    const image::TBitmapItem* item = got.Item;
    if (!item) return;
    QImage picture = item->IsAnimated() ? item->Animation->FirstBitmap() : item->Bitmap;
    if (!item->Mask.isNull()) picture = platform::ApplyMask(picture, item->Mask);
    list.BackgroundBitmap = picture;
    // The document keeps its own copy of the tile, so it does not hold the cache entry.
    image::ImageCache().ReleaseImage(got.Key);
}

bool THtmlView::ScrollToAnchor(const std::string& dest) {
    std::string name = dest;
    if (!name.empty() && name[0] == '#') name.erase(0, 1);
    if (name.empty()) return false;
    const int y = AnchorList.AnchorY(name);
    if (y < 0) return false;
    ScrollToY(y + FMarginHeight);
    SetHorzPosition(0);
    return true;
}

bool THtmlView::SupplyImage(const std::string& src, const image::TMemoryStream* stream) {
    if (FProcessing) return false;
    SetProcessing(true);
    bool relayout = doc::SupplyPicture(*List, src, stream);
    // The background waits in the same list, without an image of its own.
    const std::string key = doc::PictureKey(src);
    if (!List->BackgroundName.empty() && doc::PictureKey(List->BackgroundName) == key &&
        List->BackgroundBitmap.isNull()) {
        std::erase_if(List->MissingImages, [](const auto& entry) { return entry.second == nullptr; });
        List->BackgroundAttempted = false;
    }
    FetchBackground();
    if (relayout && !List->Empty()) RelayoutKeepingPosition();
    Panel->update();
    update();
    SetProcessing(false);
    return true;
}

void THtmlView::ClearDocument() {
    if (FProcessing) return;
    dropPage();
    FEffectiveBase.clear();
    FFallbackBase.clear();
    FDocBaseTarget.clear();
    FDocTitle.clear();
    FDocHeight = 0;
    FWidestLine = 0;
    VPos = 0;
    List->YOff = -FMarginHeight;
    VBar->SetParams(0, Panel->height() + 1, 0, 0);
    VBar->hide();
    HBar->hide();
    VBar->setGeometry(VBar->x(), VBar->y(), VBar->width(), Panel->height());
    if (OnSoundRequest) OnSoundRequest(this, "", 0, true);
    Panel->update();
}

// ---- File names ----

std::string THtmlView::ResolveFileName(const std::string& name) {
    std::string s = doc::RootedDosName(doc::TrimBlanks(name), FServerRoot);
    if (!s.empty() && (s[0] == '/' || s[0] == '\\')) return cleanPath(s);
    if (s.size() >= 2 && s[1] == ':') return s;
    if (platform::EqualNoCase(FEffectiveBase, "DosPath")) return s;
    if (FEffectiveBase.empty()) {
        const std::string dir = FDocumentFile.empty() ? absolutePath(".") + "/" : directoryOf(FDocumentFile);
        return cleanPath(absolutePath(dir) + "/" + s);
    }
    std::string base = absolutePath(doc::UrlToDosName(FEffectiveBase));
    // A BASE names a directory; the full path of one has lost its final "/".
    if (!FEffectiveBase.empty() && FEffectiveBase.back() == '/') base += '/';
    return cleanPath(base + s);
}

// ---- Links ----

void THtmlView::FollowLink() {
    bool handled = false;
    if (OnHotSpotClick) OnHotSpotClick(this, FLinkURL, handled);
    if (handled) return;
    const int oldPosition = SectionPosition();
    const std::string url = FLinkURL;
    if (!url.empty() && url[0] == '#') {
        if (ScrollToAnchor(url)) AddToHistory(FDocumentFile, FDocTitle, FDocKind, oldPosition);
        return;
    }
    const size_t hash = url.find('#');
    const std::string dest = hash == std::string::npos ? std::string() : url.substr(hash);
    const std::string file = ResolveFileName(url.substr(0, hash));
    const std::string ext = extensionOf(file);
    if (ext == ".HTM" || ext == ".HTML") {
        if (file != FDocumentFile)
            LoadDocument(file + dest);
        else if (ScrollToAnchor(dest))
            AddToHistory(FDocumentFile, FDocTitle, dkHTML, oldPosition);
    } else if (ext == ".BMP" || ext == ".GIF" || ext == ".JPG" || ext == ".JPEG" || ext == ".PNG") {
        ShowImageFile(file);
    }
}

// ---- Form submission ----

void THtmlView::SubmitForm(const std::string& action, const std::string& target, const std::string& encType,
                           const std::string& method, std::vector<std::string> results) {
    if (!FOnFormSubmit) return;
    PendingSubmissions.push_back({action, target, encType, method, std::move(results)});
    platform::PostMessage(Messages.get(), FormSubmitMessage);
}

void THtmlView::FormControlFocused(int y) {
    const int docY = y + FMarginHeight;
    const int clientHeight = Panel->height();
    if (docY < VPos || docY > VPos + clientHeight - 20) {
        SetViewTop(docY - clientHeight / 2);
        Panel->update();
    }
}

intptr_t THtmlView::handleMessage(unsigned msg, uintptr_t, intptr_t) {
    if (msg == FormSubmitMessage && !PendingSubmissions.empty()) {
        TPendingSubmission s = std::move(PendingSubmissions.front());
        PendingSubmissions.pop_front();
        if (FOnFormSubmit) FOnFormSubmit(this, s.Action, s.Target, s.EncType, s.Method, std::move(s.Results));
    } else if (msg == AutoScrollMessage) {
        AutoScroll();
    }
    return 0;
}

// ---- Mouse ----

QPoint THtmlView::DocumentPoint(int x, int y) const {
    return {x - FMarginWidth + HorzPosition(), y + VPos - FMarginHeight};
}

bool THtmlView::LinkAtPoint(int x, int y, doc::TUrlTarget& link, doc::TFormControlObj*& control) const {
    const QPoint p = DocumentPoint(x, y);
    control = nullptr;
    return List->LinkAt(p.x(), p.y(), link, control);
}

bool THtmlView::ImageAtPoint(int x, int y, doc::TImageObj*& obj, int& ix, int& iy) const {
    const QPoint p = DocumentPoint(x, y);
    obj = nullptr;
    return List->ObjectAt(p.x(), p.y(), obj, ix, iy) && obj;
}

void THtmlView::PanelMouseDown(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    if (OnMouseDown) OnMouseDown(this, e->button(), e->modifiers(), pos.x(), pos.y());
    setFocus(Qt::MouseFocusReason);
    LinkClicked = false;
    if (e->button() == Qt::LeftButton) StartSelection(pos.x(), pos.y());
}

void THtmlView::PanelMouseMove(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    if (OnMouseMove) OnMouseMove(this, e->modifiers(), pos.x(), pos.y());
    std::string url, target;
    doc::TUrlTarget link;
    doc::TFormControlObj* control = nullptr;
    doc::TImageObj* img = nullptr;
    int ix = 0, iy = 0;
    if (LinkAtPoint(pos.x(), pos.y(), link, control)) {
        Panel->setCursor(doc::HandCursor());
        if (!control) {
            url = link.URL;
            target = link.Target;
        }
    } else if ((OnImageClick || OnImageOver) && ImageAtPoint(pos.x(), pos.y(), img, ix, iy)) {
        Panel->setCursor(Qt::ArrowCursor);
        if (OnImageOver) OnImageOver(this, img, e->modifiers(), ix, iy);
    } else {
        const QPoint p = DocumentPoint(pos.x(), pos.y());
        int px = 0, py = 0, caretHeight = 0;
        doc::TCell* cell = nullptr;
        bool inText = false;
        List->PositionAt(p.x(), p.y(), px, py, caretHeight, cell, inText);
        if (inText)
            Panel->setCursor(doc::IBeamCursor());
        else
            Panel->setCursor(Qt::ArrowCursor);
    }
    if (url != FLinkURL) {
        FLinkURL = url;
        FLinkTarget = target;
        if (OnHotSpotCovered) OnHotSpotCovered(this, url);
    }
    if (e->buttons() & Qt::LeftButton) {
        DragPoint = pos;
        // The scrolling runs from the message queue, outside this handler.
        if (Dragging && !AutoScrolling && (pos.y() < 1 || pos.y() > height())) {
            AutoScrolling = true;
            platform::PostMessage(Messages.get(), AutoScrollMessage);
        }
        if (!FNoSelect) ExtendSelection(pos.x(), pos.y());
    }
}

void THtmlView::PanelMouseLeave() {
    // A pointer that leaves the page from a link is no longer over it.
    if (FLinkURL.empty()) return;
    FLinkURL.clear();
    FLinkTarget.clear();
    if (OnHotSpotCovered) OnHotSpotCovered(this, "");
}

void THtmlView::PanelMouseUp(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    const Qt::MouseButton button = e->button();
    if (OnMouseUp) OnMouseUp(this, button, e->modifiers(), pos.x(), pos.y());
    doc::TImageObj* img = nullptr;
    int ix = 0, iy = 0;
    if (OnImageClick || OnRightClick) {
        if (ImageAtPoint(pos.x(), pos.y(), img, ix, iy) && OnImageClick)
            OnImageClick(this, img, button, e->modifiers(), ix, iy);
    }
    if (button == Qt::RightButton && OnRightClick) {
        TRightClickParameters parameters;
        if (img) {
            parameters.ClickImage = img;
            parameters.ClickImageX = ix;
            parameters.ClickImageY = iy;
        }
        doc::TUrlTarget link;
        doc::TFormControlObj* control = nullptr;
        if (LinkAtPoint(pos.x(), pos.y(), link, control) && !control) {
            parameters.ClickURL = link.URL;
            parameters.ClickTarget = link.Target;
        }
        OnRightClick(this, parameters);
    }
    if (button == Qt::LeftButton) {
        ExtendSelection(pos.x(), pos.y());
        Dragging = false;
        AutoScrolling = false;
        platform::WakeUp(); // the auto-scroll loop may be waiting for a message
        doc::TUrlTarget link;
        doc::TFormControlObj* control = nullptr;
        if (ClickPending && List->SelE <= List->SelB && LinkAtPoint(pos.x(), pos.y(), link, control)) {
            ClickPending = false;
            if (!control) {
                FLinkURL = link.URL;
                FLinkTarget = link.Target;
                LinkClicked = true;
                FollowLink();
            } else {
                control->ImageClicked(); // an image button: submits with the point clicked
            }
        }
    }
    ClickPending = false;
}

} // namespace view
