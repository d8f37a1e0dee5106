#include "shell/browser_window.h"

#include "ftp/client_ftp.h"
#include "general/helpers.h"
#include "platform/text.h"
#include "mail/address_book.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "platform/user.h"
#include "shell/about_box.h"
#include "shell/access_rules.h"
#include "shell/cache_files.h"
#include "shell/dialogs.h"
#include "shell/find_dialog.h"
#include "shell/http_retrieval.h"
#include "shell/image_thread.h"
#include "image/memory_stream.h"
#include "net/buffered_socket.h"
#include "shell/forms.h"
#include "shell/memo_display.h"
#include "shell/url_combo_box.h"
#include "shell/window_options.h"
#include "view/html_view.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace shell {

TApplicationForms& Forms() {
    static TApplicationForms forms;
    return forms;
}

namespace {

QString latin1(const std::string& s) { return QString::fromLatin1(s.c_str()); }
std::string toLatin1(const QString& s) { return s.toLatin1().toStdString(); }

} // namespace

std::string WithSchemeIfHost(const std::string& typed) {
    const std::string t = platform::Trim(typed);
    if (t.empty() || t.find("://") != std::string::npos || t[0] == '/' || t[0] == '.' || t[0] == '#')
        return t;
    const std::string upper = platform::UpperCase(t);
    for (const char* scheme : {"MAILTO:", "FILE:", "FTP:", "HTTP:", "HTTPS:", "NEWS:", "GOPHER:", "WAISS:"})
        if (upper.starts_with(scheme)) return t;
    // The first segment names a host when it carries a port, is "localhost", or is a
    // dotted name whose last part is not a file extension the browser knows.
    const std::string first = t.substr(0, t.find_first_of("/?#"));
    const size_t colon = first.find(':');
    if (colon != std::string::npos)
        return colon + 1 < first.size() &&
                       first.find_first_not_of("0123456789", colon + 1) == std::string::npos
                   ? "http://" + t
                   : t;
    if (platform::EqualNoCase(first, "localhost")) return "http://" + t;
    const size_t dot = first.rfind('.');
    if (dot == std::string::npos || dot + 1 >= first.size()) return t;
    static const char* const fileExtensions[] = {"HTM", "HTML", "TXT", "GIF", "JPG", "JPEG", "PNG",
                                                 "BMP", "CGI", "PHP", "ASP", "SHTML", "XML", "PL"};
    const std::string last = platform::UpperCase(first.substr(dot + 1));
    for (const char* e : fileExtensions)
        if (last == e) return t;
    return "http://" + t;
}

std::vector<std::unique_ptr<TFMain>>& TFMain::FurtherWindows() {
    static std::vector<std::unique_ptr<TFMain>> windows;
    return windows;
}

TFMain::TFMain(TWindowParams params, QWidget* parent)
    : QMainWindow(parent), Params(std::move(params)),
      Splitter(std::make_unique<TResponseSplitter>(Options.HTTPThings)),
      Messages(std::make_unique<platform::TMessageForwarder>(
          [this](unsigned msg, uintptr_t w, intptr_t l) { return handleMessage(msg, w, l); })) {
    BuildWindow();
    SetUpWindow();
    OpenWindows().push_back(this);
}

TFMain::~TFMain() { std::erase(OpenWindows(), this); }

std::vector<TFMain*>& TFMain::OpenWindows() {
    static std::vector<TFMain*> windows;
    return windows;
}

void TFMain::OwnFile(const std::string& file) {
    if (!file.empty()) OwnFiles.insert(file);
}

bool TFMain::FileOfAnotherWindow(const std::string& file) const {
    for (const TFMain* w : OpenWindows())
        if (w != this && !w->Closed && w->OwnFiles.contains(file)) return true;
    return false;
}

void TFMain::BuildWindow() {
    setWindowTitle("Webling v. 1.0");
    resize(731, 677);
    BuildToolBar();

    HTMLVisor = new view::THtmlView(this);
    HTMLVisor->SetDefFontName("Times New Roman");
    HTMLVisor->SetDefPreFontName("Courier New");
    HTMLVisor->SetHistoryMaxCount(0);
    HTMLVisor->SetNoSelect(false);
    HTMLVisor->SetViewImages(true);
    setCentralWidget(HTMLVisor);

    SB = statusBar();
    SB->setSizeGripEnabled(false);
    const int widths[5] = {150, 150, 150, 150, 50};
    for (int i = 0; i < 5; ++i) {
        SBPanels[i] = new QLabel(SB);
        SBPanels[i]->setFixedWidth(widths[i]);
        SBPanels[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        SB->addWidget(SBPanels[i]);
    }
    BuildHttpClient();

    SaveDialog = new QFileDialog(this);
    SaveDialog->setAcceptMode(QFileDialog::AcceptSave);
    SaveDialog->setFileMode(QFileDialog::AnyFile);
    SaveDialog->setDefaultSuffix("html");
    SaveDialog->setNameFilters(
        FilterToNameFilters("HTML files (*.htm, *.html)|*.html|All files (*.*)|*.*"));
    SaveDialog->setOption(QFileDialog::DontConfirmOverwrite, false);
    OpenDialog = new QFileDialog(this);
    OpenDialog->setAcceptMode(QFileDialog::AcceptOpen);
    OpenDialog->setFileMode(QFileDialog::ExistingFile);
    FindDialog = new TFindDialog(this);

    BuildMenus();
}

void TFMain::BuildToolBar() {
    ToolBar = addToolBar("Tools");
    ToolBar->setMovable(false);
    ToolBar->setFixedHeight(33);
    ToolBar->setIconSize(QSize(24, 24));
    ToolBar->setContentsMargins(0, 0, 0, 0);
    auto button = [&](const char* icon, const char* hint, void (TFMain::*slot)()) {
        auto* b = new QToolButton(ToolBar);
        b->setIcon(QIcon(QString(":/webling/icons/") + icon + ".png"));
        b->setToolTip(hint);
        b->setFixedSize(33, 33);
        b->setAutoRaise(true);
        connect(b, &QToolButton::clicked, this, [this, slot] { platform::Guard([&] { (this->*slot)(); }); });
        ToolBar->addWidget(b);
        return b;
    };
    BHome = button("home", "Home page", &TFMain::BHomeClick);
    BOpenURL = button("openurl", "Open URL", &TFMain::BOpenURLClick);
    BReload = button("reload", "Reload", &TFMain::BReloadClick);
    BAtras = button("back", "Back", &TFMain::BAtrasClick);
    BDelante = button("forward", "Forward", &TFMain::BDelanteClick);
    BStop = button("stop", "Stop", &TFMain::BStopClick);

    CBUrls = new TUrlComboBox(ToolBar);
    CBUrls->setFixedWidth(289);
    ToolBar->addWidget(CBUrls);
    CBUrls->OnEnter = [this](const QString& text) {
        platform::Guard([&] { CBUrlsEnter(toLatin1(text)); });
    };
}

void TFMain::BuildHttpClient() {
    HTTPClient = std::make_unique<net::TBinaryClient>();
    HTTPClient->SetProtocol("tcp");
    HTTPClient->SetTimeOut(0);
    HTTPClient->ReadBufferSize = 4001;
    HTTPClient->WriteBufferSize = 4001;
    HTTPClient->RecordSize = 16;
    HTTPClient->OnConnect = [this](net::TSockCtrl*, net::TSocketBase* s) { HTTPClientConnect(s); };
    HTTPClient->OnReadBufferFull = [this](net::TBufferedSocketBase* s) { HTTPClientReadBufferFull(s); };
    // What has arrived is taken at every read, not only when 4001 bytes are held, so that
    // a response whose Content-Length is complete ends without waiting for the close.
    HTTPClient->OnRead = [this](net::TSockCtrl*, net::TSocketBase* s) {
        HTTPClientReadBufferFull(static_cast<net::TBufferedSocketBase*>(s));
    };
    HTTPClient->OnDisconnect = [this](net::TSockCtrl*, net::TSocketBase* s) { HTTPClientDisconnect(s); };
    HTTPClient->OnTimeOut = [this](net::TSockCtrl*, net::TSocketBase*) { HTTPClientTimeOut(); };
    HTTPClient->OnInfo = [this](net::TSockCtrl*, net::TSockInfo code, net::TSocketBase*) { HTTPClientInfo(code); };

    MetaTimer = new QTimer(this);
    MetaTimer->setSingleShot(false);
    connect(MetaTimer, &QTimer::timeout, this, [this] {
        platform::Guard([&] {
            MetaTimer->stop();
            OpenUrl(RefreshUrl, true);
        });
    });

    // A server that stops sending, or never ends, must not hold the window for ever.
    ReadTimer = new QTimer(this);
    ReadTimer->setSingleShot(true);
    connect(ReadTimer, &QTimer::timeout, this, [this] { FailRetrieval("Time out!", false); });
    DeadlineTimer = new QTimer(this);
    DeadlineTimer->setSingleShot(true);
    connect(DeadlineTimer, &QTimer::timeout, this, [this] { FailRetrieval("Time out!", false); });
}

// One statement per menu item, in the menus' own order: long as the menus are.
void TFMain::BuildMenus() {
    auto item = [&](QMenu* menu, const char* text, void (TFMain::*slot)()) {
        QAction* a = menu->addAction(text);
        if (slot)
            connect(a, &QAction::triggered, this,
                    [this, slot] { platform::Guard([&] { (this->*slot)(); }); });
        return a;
    };
    QMenuBar* bar = menuBar();
    MMain = bar->addMenu("Main");
    MOpen = MMain->addMenu("Open");
    MOpenURL = item(MOpen, "URL", &TFMain::BOpenURLClick);
    MLocalFile = MOpen->addAction("Local File");
    connect(MLocalFile, &QAction::triggered, this, [this] {
        platform::Guard([&] {
            OpenLocalClick("HTML Files (*.htm,*.html)|*.htm;*.html|Text Files (*.txt)|*.txt|All "
                           "Files (*.*)|*.*");
        });
    });
    MLocalImage = MOpen->addAction("Local Image");
    connect(MLocalImage, &QAction::triggered, this, [this] {
        platform::Guard([&] {
            OpenLocalClick("Graphics Files (*.bmp,*.gif,*.jpg,*.jpeg,*.png)|*.bmp;*.jpg;*.jpeg;*."
                           "gif;*.png|All Files (*.*)|*.*");
        });
    });
    MMain->addSeparator();
    MNewBrowser = item(MMain, "New Browser", &TFMain::NewBrowserClick);
    MMain->addSeparator();
    MExit = MMain->addAction("Exit");
    connect(MExit, &QAction::triggered, this, &QWidget::close);

    MEdit = bar->addMenu("Edit");
    MCopy = MEdit->addAction("Copy");
    // The usual keys; they live and die with the menu, so a terminal that hides Edit has
    // none of them either.
    MCopy->setShortcut(QKeySequence::Copy);
    connect(MCopy, &QAction::triggered, this, [this] { platform::Guard([&] { HTMLVisor->CopySelection(); }); });
    MSelectAll = MEdit->addAction("Select All");
    MSelectAll->setShortcut(QKeySequence::SelectAll);
    connect(MSelectAll, &QAction::triggered, this, [this] { platform::Guard([&] { HTMLVisor->SelectAll(); }); });
    MFind = item(MEdit, "Find from cursor", &TFMain::FindClick);
    MFind->setShortcut(QKeySequence::Find);

    MBookmarks = bar->addMenu("Bookmarks");
    MSeeBookmarks = item(MBookmarks, "See", &TFMain::SeeBookmarksClick);
    MAddBookmark = item(MBookmarks, "Add", &TFMain::AddBookmarkClick);

    MTools = bar->addMenu("Tools");
    MViewImages = item(MTools, "View Images", &TFMain::ViewImagesClick);
    MViewImages->setCheckable(true);
    MViewImages->setChecked(true);
    MTools->addSeparator();
    MSeeSource = item(MTools, "See source page", &TFMain::SeeSourceClick);
    MTools->addSeparator();
    MSeeHeader = item(MTools, "See header page", &TFMain::SeeHeaderClick);
    MTools->addSeparator();
    MSeeScripts = item(MTools, "See scripts", &TFMain::SeeScriptsClick);
    MTools->addSeparator();
    MDelCache = item(MTools, "Delete Cache Files", &TFMain::DeleteCacheFilesClick);
    MTools->addSeparator();
    MDelTemp = item(MTools, "Delete Temp Files", &TFMain::DeleteTempFilesClick);
    MTools->addSeparator();
    MUseProxy = item(MTools, "Use Proxy", &TFMain::UseProxyClick);
    MUseProxy->setCheckable(true);

    MHelp = bar->addMenu("Help");
    MAbout = item(MHelp, "About", &TFMain::AboutClick);

    PopupMenu = new QMenu(this);
    PMBack = item(PopupMenu, "Back", &TFMain::BAtrasClick);
    PMForward = item(PopupMenu, "Forward", &TFMain::BDelanteClick);
    PMReload = item(PopupMenu, "Reload", &TFMain::BReloadClick);
    PMGoHome = item(PopupMenu, "Go Home", &TFMain::BHomeClick);
    PMStop = item(PopupMenu, "Stop", &TFMain::BStopClick);
    PopupMenu->addSeparator();
    PMOpenNew = item(PopupMenu, "Open in another window", &TFMain::OpenInAnotherWindowClick);
    PopupMenu->addSeparator();
    PMSaveAs = item(PopupMenu, "Save As", &TFMain::SaveAsClick);
    WireViewer();
}

void TFMain::SetUpWindow() {
    using general::EnsureTrailingBackslash;
    general::TOptions& o = Options;
    MetaTimer->stop();
    FirstActivation = true;
    o.SetFixedValues();
    FTPClient = std::make_unique<ftp::TClientFTP>();
    // The automatic cache clean-up draws from this generator.
    std::srand(static_cast<unsigned>(std::time(nullptr)) ^ static_cast<unsigned>(std::clock()));
    o.ProgramDir = Params.ProgramDir.empty() ? platform::ProgramDirectory() : Params.ProgramDir;
    EnsureTrailingBackslash(o.ProgramDir);
    o.IniFileName = o.ProgramDir + "webling.ini";
    o.IniFile = std::make_unique<platform::TIniFile>(o.IniFileName);
    o.UserName = general::GetUserLogin();
    // Read once for the whole program: a window opened later keeps the first window's
    // restrictions even when webling.ini or the lists have changed since.
    const TDefaultDirs defaults = ReadWindowOptions(o, *o.IniFile, SharedRestrictions(o.ProgramDir));

    // Directories that refuse to serve stop the window: what the user would browse could
    // otherwise be written into, or deleted from, a place another user prepared.
    std::string refusal;
    auto perUserDir = [&](const std::string& dir, bool isDefault) {
        if (!refusal.empty()) return;
        const std::string why = general::PreparePerUserDirectory(dir, isDefault ? DefaultTree : "");
        if (!why.empty()) refusal = "The directory \"" + dir + "\" cannot be used: " + why;
    };
    perUserDir(o.UserDir, defaults.Users);
    perUserDir(o.TmpDir, defaults.Tmp);
    perUserDir(o.CacheDir, defaults.Cache);
    // After the directory exists: a dialog ignores a directory that does not.
    SaveDialog->setDirectory(QString::fromLatin1(o.UserDir.c_str()));
    OpenDialog->setDirectory(QString::fromLatin1(o.UserDir.c_str()));
    HTMLVisor->SetImageCacheCount(o.InternalImageCache);
    HTMLVisor->SetPictureMemory(o.PictureMemory);
    o.Bookmarks = refusal.empty() ? LoadUrlList(o.BookmarksFile) : std::vector<std::string>();
    std::erase(o.Bookmarks, std::string());
    MUseProxy->setChecked(o.UseProxy);
    ApplyMenuPermissions();
    HistoryIndex = -1;
    History.clear();
    Scripts.clear();
    PendingImages.clear();
    if (!refusal.empty()) {
        // Nothing of these directories may be emptied when the refused window goes.
        o.DelTmpFilesAtExit = o.DelCacheFilesAtExit = o.AutoDelCacheFiles = false;
        throw platform::Exception(refusal);
    }
    LocalImageStream = std::make_unique<image::TMemoryStream>();
    ImageThreads = std::make_unique<TImageThreads>([this](const std::string& src, image::TMemoryStream& stream) {
        if (OnImageArrived) OnImageArrived(src, stream);
    });
    StartUrl = o.HomePage;
    if (Params.StartArgument) StartUrl = *Params.StartArgument;
    if (o.LaunchMaximized) setWindowState(windowState() | Qt::WindowMaximized);
}

void TFMain::ApplyMenuPermissions() {
    const general::TOptions& o = Options;
    MBookmarks->menuAction()->setVisible(o.AllowSeeMainMenuBookmarks);
    MEdit->menuAction()->setVisible(o.AllowSeeMainMenuEdit);
    MTools->menuAction()->setVisible(o.AllowSeeMainMenuTools);
    MAddBookmark->setVisible(o.AllowSeeMenuEditBookmarks);
    MUseProxy->setVisible(o.AllowQuitProxy);
    MViewImages->setVisible(o.AllowViewImages);
    if (!o.AllowViewImages) HTMLVisor->SetViewImages(false);
    // Without local files there is nothing to open from or save to the disk: these
    // commands would only show dialogs that browse (and could change) the file system.
    MLocalFile->setVisible(o.AllowProtoFile);
    MLocalImage->setVisible(o.AllowProtoFile);
    PMSaveAs->setVisible(o.AllowProtoFile);
    // Qt's own dialogs, read-only: no rename, delete or new folder from a terminal.
    for (QFileDialog* d : {SaveDialog, OpenDialog}) {
        d->setOption(QFileDialog::DontUseNativeDialog, true);
        d->setOption(QFileDialog::ReadOnly, true);
    }
}

bool TFMain::event(QEvent* e) {
    // Under a bare X server (no window manager) a window is never activated, so being
    // shown counts as the first activation too.
    if ((e->type() == QEvent::WindowActivate || e->type() == QEvent::Show) && FirstActivation)
        QTimer::singleShot(0, this, [this] { platform::Guard([&] { FirstActivate(); }); });
    return QMainWindow::event(e);
}

void TFMain::FirstActivate() {
    if (!FirstActivation) return;
    FirstActivation = false;
    HistoryIndex = -1;
    History.clear();
    CurrentUrl.Method = general::MethodGet;
    UpdateHistoryButtons();
    platform::ProcessMessages();
    if (!StartUrl.empty()) OpenUrl(StartUrl, true);
}

void TFMain::closeEvent(QCloseEvent* e) {
    // The program ends with its first window: the others go first, so that none of them
    // is still writing while the shared directories are emptied.
    if (Params.IsMainWindow && !Closed)
        for (const auto& w : FurtherWindows())
            if (!w->Closed) w->close();
    if (!Closed) {
        Closed = true;
        platform::Guard([&] { WindowClose(); });
    }
    e->accept();
    if (Params.IsMainWindow) QApplication::quit();
}

void TFMain::WindowClose() {
    general::TOptions& o = Options;
    MetaTimer->stop();
    // The connection and the cache file of a retrieval still running go with the window.
    if (HTTPClient->SocketIfAny()) HTTPClient->Close();
    EndRetrieval();
    // An FTP operation waiting in its nested loop returns false once its client is gone.
    FTPClient.reset();
    BStopClick();
    ImageThreads.reset();
    LocalImageStream.reset();
    // The directories are shared by the program's windows: the last one to close empties
    // them, and until then a window takes away only the files that it alone has used.
    bool last = true;
    for (const TFMain* w : OpenWindows())
        if (w != this && !w->Closed && (w->Options.CacheDir == o.CacheDir || w->Options.TmpDir == o.TmpDir))
            last = false;
    if (last) {
        if (o.DelTmpFilesAtExit && general::DirectoryExists(o.TmpDir)) DeleteFilesInDir(o.TmpDir);
        if (o.DelCacheFilesAtExit && general::DirectoryExists(o.CacheDir)) DeleteFilesInDir(o.CacheDir);
    } else {
        for (const std::string& f : OwnFiles) {
            const bool tmp = f.starts_with(o.TmpDir), cache = f.starts_with(o.CacheDir);
            if (((tmp && o.DelTmpFilesAtExit) || (cache && o.DelCacheFilesAtExit)) && !FileOfAnotherWindow(f))
                platform::DeleteFile(f);
        }
    }
    OwnFiles.clear();
    o.Bookmarks.clear();
    o.AllowedUrls.clear();
    o.DeniedUrls.clear();
    History.clear();
    Scripts.clear();
    PendingImages.clear();
    if (o.LogOffAtExit) {
        if (IsHeadless())
            std::fprintf(stderr, "logoffatexit is set: not logging off in screenshot mode\n");
        else
            general::LogOffUser();
    }
}

void TFMain::SetStatus(int panel, const std::string& text) {
    if (panel >= 0 && panel < 5) SBPanels[panel]->setText(latin1(text));
}

std::string TFMain::StatusText(int panel) const {
    return panel >= 0 && panel < 5 ? toLatin1(SBPanels[panel]->text()) : std::string();
}

// ---- Commands ----

void TFMain::BHomeClick() { OpenUrl(Options.HomePage, true); }

void TFMain::BOpenURLClick() {
    if (IsHeadless()) return;
    bool ok = false;
    QString text = QInputDialog::getText(this, "Open URL:", "Location:", QLineEdit::Normal, "", &ok);
    if (ok) OpenUrl(WithSchemeIfHost(toLatin1(text)), true);
}

void TFMain::BReloadClick() { OpenUrl(DisplayedPage.Url, false); }

void TFMain::BAtrasClick() {
    --HistoryIndex;
    if (HistoryIndex >= 0 && HistoryIndex < static_cast<int>(History.size())) {
        CurrentUrl.Method = general::MethodGet;
        OpenUrl(History[static_cast<size_t>(HistoryIndex)], false);
    } else {
        HistoryIndex = 0;
    }
    UpdateHistoryButtons();
}

void TFMain::BDelanteClick() {
    ++HistoryIndex;
    const int last = static_cast<int>(History.size()) - 1;
    if (HistoryIndex <= last) {
        CurrentUrl.Method = general::MethodGet;
        OpenUrl(History[static_cast<size_t>(HistoryIndex)], false);
    } else {
        HistoryIndex = last;
    }
    UpdateHistoryButtons();
}

void TFMain::BStopClick() {
    StopRequested = true;
    // The page being fetched ends too: what has arrived is shown.
    FailRetrieval("Stopped.", false);
    if (ImageThreads) ImageThreads->Stop();
    platform::ProcessMessages();
}

void TFMain::CBUrlsEnter(const std::string& typed) {
    std::string t = typed;
    if (platform::UpperCase(t).find("://") == std::string::npos) t = "http://" + t;
    bool present = false;
    for (int i = 0; i < CBUrls->count(); ++i)
        if (platform::EqualNoCase(toLatin1(CBUrls->itemText(i)), t)) present = true;
    if (!present) CBUrls->addItem(latin1(t));
    OpenUrl(t, true);
}

void TFMain::DeleteCacheFilesClick() {
    if (!AskYesNo("WARNING! Are you sure all files in " + Options.CacheDir + "?", this)) return;
    SetStatus(0, "Deleting cache files ...");
    DeleteFilesInDir(Options.CacheDir);
    SetStatus(0, "Finished.");
}

void TFMain::DeleteTempFilesClick() {
    if (!AskYesNo("WARNING! Are you sure all files in " + Options.TmpDir + "?", this)) return;
    SetStatus(0, "Deleting temp files ...");
    DeleteFilesInDir(Options.TmpDir);
    SetStatus(0, "Finished.");
}

void TFMain::AddBookmarkClick() {
    for (const std::string& b : Options.Bookmarks)
        if (platform::EqualNoCase(b, DisplayedPage.Url)) return;
    Options.Bookmarks.push_back(DisplayedPage.Url);
    std::string data;
    for (const std::string& b : Options.Bookmarks) data += b + "\r\n";
    if (!platform::WriteWholeFile(Options.BookmarksFile, data))
        ShowMessage("Cannot create file \"" + Options.BookmarksFile + "\"", TMsgStyle::Error, this);
}

void TFMain::SeeBookmarksClick() {
    if (!Forms().FAddressBook) Forms().FAddressBook = new mail::TFAddressBook(this);
    mail::TFAddressBook* book = Forms().FAddressBook;
    book->SetItems(Options.Bookmarks);
    if (IsHeadless()) return;
    book->exec();
    std::string chosen = book->SelectedItem();
    if (book->Selected && !chosen.empty()) OpenUrl(chosen, true);
}

void TFMain::SeeSourceClick() {
    std::string f = CacheFileName(DisplayedPage.Url, Options);
    std::string text;
    if (!platform::IsPlainFile(f) || !platform::ReadWholeFile(f, text)) {
        ShowMessage("ERROR: I can not find the file!", TMsgStyle::Information, this);
        return;
    }
    ShowText(text);
}

void TFMain::ShowText(const std::string& text) {
    // The text display window stands in for the desktop's text editor.
    if (!Forms().FMemoDisplay) Forms().FMemoDisplay = new TFMemoDisplay(this);
    Forms().FMemoDisplay->SetText(text);
    if (!IsHeadless()) Forms().FMemoDisplay->exec();
}

// The header is shown in the text window, like the source, so that its lines keep their
// columns and can be copied.
void TFMain::SeeHeaderClick() { ShowText(Options.HTTPThings.Header); }

void TFMain::SeeScriptsClick() {
    std::string text;
    for (const std::string& s : Scripts) text += s + "\n";
    ShowText(text);
}

void TFMain::SaveAsClick() {
    // On a picture the picture is saved, under its own name; elsewhere the page.
    general::TRECURL picture;
    const bool onPicture = !PopupImage.empty() && general::ParseUrl(PopupImage, picture, DisplayedPage) <= 7;
    const std::string f = CacheFileName(onPicture ? picture.Url : DisplayedPage.Url, Options);
    if (!platform::IsPlainFile(f)) {
        ShowMessage("ERROR: I can not find the file!", TMsgStyle::Information, this);
        return;
    }
    if (onPicture) {
        const std::string name = general::LastPathSegment(picture.Path.substr(0, picture.Path.find('?')));
        const std::string ext = platform::UpperCase(general::LastExtension(name));
        std::string filter = "All files (*.*)|*.*";
        if (ext == "GIF") filter = "GIF pictures (*.gif)|*.gif|" + filter;
        if (ext == "JPG" || ext == "JPEG") filter = "JPEG pictures (*.jpg, *.jpeg)|*.jpg;*.jpeg|" + filter;
        if (ext == "PNG") filter = "PNG pictures (*.png)|*.png|" + filter;
        if (ext == "BMP") filter = "Bitmaps (*.bmp)|*.bmp|" + filter;
        SaveDialog->setNameFilters(FilterToNameFilters(filter));
        SaveDialog->setDefaultSuffix("");
        SaveDialog->selectFile(QString::fromLatin1(name.c_str()));
    } else {
        SaveDialog->setNameFilters(FilterToNameFilters("HTML files (*.htm, *.html)|*.html|All files (*.*)|*.*"));
        SaveDialog->setDefaultSuffix("html");
        SaveDialog->selectFile(QString::fromLatin1(general::LastPathSegment(DisplayedPage.Path).c_str()));
    }
    SaveDialog->setWindowTitle("Save As");
    if (RunFileDialog(SaveDialog))
        platform::CopyFileOver(f, toLatin1(SaveDialog->selectedFiles().first()));
}

void TFMain::FindClick() {
    FindDialog->OnFind = [this] { platform::Guard([&] { FindDialogFind(); }); };
    if (!IsHeadless()) FindDialog->show();
}

void TFMain::FindDialogFind() {
    const std::string text = FindDialog->FindText();
    if (!HTMLVisor->FindForward(text, FindDialog->MatchCase()))
        ShowMessage("No further occurances of \"" + text + "\"", TMsgStyle::Information, FindDialog);
}

void TFMain::ViewImagesClick() { HTMLVisor->SetViewImages(MViewImages->isChecked()); }

void TFMain::UseProxyClick() {
    // Without a proxy server every page would fail: the switch stays off.
    if (MUseProxy->isChecked() && Options.ProxyServer.empty()) {
        MUseProxy->setChecked(false);
        SetStatus(0, "No proxy server configured");
    }
    Options.UseProxy = MUseProxy->isChecked();
}

void TFMain::OpenLocalClick(const char* filter) {
    OpenDialog->setNameFilters(FilterToNameFilters(filter));
    if (!RunFileDialog(OpenDialog)) return;
    OpenUrl("file://" + toLatin1(OpenDialog->selectedFiles().first()), true);
}

TFMain* TFMain::NewBrowserWindow(const std::string& startUrl, const general::TRECURL* current) {
    TWindowParams p;
    p.ProgramDir = Params.ProgramDir;
    p.IsMainWindow = false;
    auto w = std::make_unique<TFMain>(p);
    // The new window resolves its first address against this one's page.
    if (current) w->CurrentUrl = w->DisplayedPage = *current;
    w->StartUrl = startUrl;
    TFMain* raw = w.get();
    FurtherWindows().push_back(std::move(w));
    raw->show();
    return raw;
}

void TFMain::NewBrowserClick() { NewBrowserWindow(DisplayedPage.Url, nullptr); }

void TFMain::OpenInAnotherWindowClick() {
    // The link under the mouse, else the picture under it, else this page.
    std::string link = PopupLink;
    if (link.empty()) link = PopupImage;
    NewBrowserWindow(link.empty() ? DisplayedPage.Url : link, &DisplayedPage);
}

void TFMain::AboutClick() {
    if (!Forms().FMiAbout) Forms().FMiAbout = new TFMiAbout(this);
    if (!IsHeadless()) Forms().FMiAbout->exec();
}

} // namespace shell
