// The browser window: tool bar, address box, viewer, status bar and menus; its
// configuration record read from webling.ini at creation; navigation, history and the
// commands of its menus. Every window, the first and every further one, is set up the
// same way and shares nothing of its configuration with the others.
#pragma once

#include "general/options.h"
#include "general/url.h"
#include "platform/messages.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QFileDialog;
class QLabel;
class QMenu;
class QStatusBar;
class QTimer;
class QToolBar;
class QToolButton;

namespace image {
class TMemoryStream;
}
namespace view {
class THtmlView;
}

namespace ftp {
class TClientFTP;
}
namespace net {
class TBinaryClient;
class TBufferedSocketBase;
class TSocketBase;
} // namespace net

namespace shell {

class TFindDialog;
class TImageThreads;
class TResponseSplitter;
class TUrlComboBox;

// How a window is created: the directory holding webling.ini, the list files and the
// home page (the program's directory, or a test's own), and the command-line address.
struct TWindowParams {
    std::string ProgramDir;                 // empty: the directory of the executable
    std::optional<std::string> StartArgument; // the first command-line argument, if any
    bool IsMainWindow = true;
};

// The address as a person reads it: the canonical address and its fragment, if any. The
// address box shows it and the history records it.
std::string ShownAddress(const general::TRECURL& url);

// What the Open URL dialog makes of a typed text: "http://" is added when the text begins
// with a host ("127.0.0.1:8701/p.html", "www.example.com"), and anything else (a relative
// address, a file name, an address with a scheme) is left as typed.
std::string WithSchemeIfHost(const std::string& typed);

class TFMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TFMain(TWindowParams params = {}, QWidget* parent = nullptr);
    ~TFMain() override;

    // The only way a navigation starts: sends WM_OPENURL to this window and returns when
    // the whole navigation has finished.
    void OpenUrl(const std::string& address, bool record);

    // Status bar panel texts.
    void SetStatus(int panel, const std::string& text);
    std::string StatusText(int panel) const;

    // Commands.
    void BHomeClick();
    void BOpenURLClick();
    void BReloadClick();
    void BAtrasClick();
    void BDelanteClick();
    void BStopClick();
    void CBUrlsEnter(const std::string& text);
    void DeleteCacheFilesClick();
    void DeleteTempFilesClick();

    // Runs the first-activation work now if it has not run yet.
    void FirstActivate();
    bool FirstActivationDone() const { return !FirstActivation; }
    // True while a navigation runs.
    bool Navigating() const { return NavigationDepth > 0; }
    // Why the last navigation showed nothing ("" when it did): a refusal or a failure.
    const std::string& LastNavigationError() const { return NavigationError; }

    TFMain* NewBrowserWindow(const std::string& startUrl, const general::TRECURL* current);

    // Images of the page: local ones are handed over at once, network ones queued and
    // fetched in the background once the page is shown.
    void OnImageRequest(const std::string& src, image::TMemoryStream*& stream);
    // True while image retrievals of the page are queued or running.
    bool ImagesPending() const;
    // Receives each fetched picture on the user-interface thread (the viewer, once set).
    std::function<void(const std::string& src, image::TMemoryStream& stream)> OnImageArrived;

    static constexpr unsigned WM_OPENURL = 1024 + 400;
    // Redirections followed in a row before the navigation shows the last answer instead.
    static constexpr int MaxRedirections = 10;
    // The whole retrieval of a page may take this many time-outs.
    static constexpr int RetrievalDeadlineTimeOuts = 10;

    // The address the window opens first (the home page or the command line's); a caller
    // may change it before the first activation.
    std::string StartUrl;

    // What the window has and shows, for its callers to read.
    const general::TOptions& Settings() const { return Options; }
    // The address being opened, or else the one on display.
    const general::TRECURL& Address() const { return CurrentUrl; }
    const std::vector<std::string>& HistoryList() const { return History; }
    int HistoryPosition() const { return HistoryIndex; }
    // True while a page is being fetched, and while its connection is open.
    bool Fetching() const { return !RetrievalDone; }
    bool ConnectionOpen() const;
    // Network pictures of the page waiting for the background retrieval.
    size_t QueuedPictures() const { return PendingImages.size(); }

    // Components, named as in the menus and tool bar.
    QToolBar* ToolBar = nullptr;
    QToolButton *BHome = nullptr, *BOpenURL = nullptr, *BReload = nullptr, *BAtras = nullptr,
                *BDelante = nullptr, *BStop = nullptr;
    TUrlComboBox* CBUrls = nullptr;
    view::THtmlView* HTMLVisor = nullptr;
    QStatusBar* SB = nullptr;
    std::array<QLabel*, 5> SBPanels{};
    QTimer* MetaTimer = nullptr;
    QFileDialog* SaveDialog = nullptr;
    QFileDialog* OpenDialog = nullptr;
    TFindDialog* FindDialog = nullptr;

    QMenu *MMain = nullptr, *MOpen = nullptr, *MEdit = nullptr, *MBookmarks = nullptr,
          *MTools = nullptr, *MHelp = nullptr;
    QAction *MOpenURL = nullptr, *MLocalFile = nullptr, *MLocalImage = nullptr,
            *MNewBrowser = nullptr, *MExit = nullptr;
    QAction *MCopy = nullptr, *MSelectAll = nullptr, *MFind = nullptr;
    QAction *MSeeBookmarks = nullptr, *MAddBookmark = nullptr;
    QAction *MViewImages = nullptr, *MSeeSource = nullptr, *MSeeHeader = nullptr,
            *MSeeScripts = nullptr, *MDelCache = nullptr, *MDelTemp = nullptr,
            *MUseProxy = nullptr;
    QAction* MAbout = nullptr;
    QMenu* PopupMenu = nullptr;
    QAction *PMBack = nullptr, *PMForward = nullptr, *PMReload = nullptr, *PMGoHome = nullptr,
            *PMStop = nullptr, *PMOpenNew = nullptr, *PMSaveAs = nullptr;

    // All windows that are not the first; destroyed with the application.
    static std::vector<std::unique_ptr<TFMain>>& FurtherWindows();

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    intptr_t handleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam);

    void Navigate(const std::string& address, bool record);
    // How a fetched file is shown: by its name's extension (local and FTP files), or as the
    // server's Content-Type said (HTTP).
    enum class TShowAs { ByExtension, Page, Picture };
    void DisplayFile(const std::string& file, TShowAs as = TShowAs::ByExtension);
    void AddToHistoryList();

    // HTTP page retrieval, driven by HTTPClient's events.
    void StartRetrieval();
    void ProcessReceivedData(const char* data, size_t count);
    void HTTPClientConnect(net::TSocketBase* socket);
    void HTTPClientReadBufferFull(net::TBufferedSocketBase* socket);
    void HTTPClientDisconnect(net::TSocketBase* socket);
    void HTTPClientTimeOut();
    void HTTPClientInfo(int code);

    void StartImageThreads();

    // Configuration and state.
    general::TOptions Options;
    general::TRECURL CurrentUrl;
    std::string RefreshUrl;
    std::vector<std::string> History;
    int HistoryIndex = -1;
    std::vector<std::string> Scripts;
    std::vector<std::string> PendingImages;
    bool RetrievalDone = true;
    bool StopRequested = false;
    bool FirstActivation = true;
    std::unique_ptr<net::TBinaryClient> HTTPClient;
    std::unique_ptr<ftp::TClientFTP> FTPClient;
    general::TRECURL ImageUrl;
    std::unique_ptr<image::TMemoryStream> LocalImageStream;
    std::unique_ptr<TImageThreads> ImageThreads;
    std::string RequestBuffer;

    void BuildWindow();
    void BuildToolBar();
    // The page client and its timers: the meta refresh, the time-out between reads and the
    // deadline of a whole retrieval.
    void BuildHttpClient();
    void BuildMenus();
    void SetUpWindow();
    void WindowClose();
    void ApplyMenuPermissions();

    void WireViewer();
    void ViewerFormSubmit(const std::string& action, const std::string& method,
                          const std::vector<std::string>& results);

    // Auxiliary commands.
    void AddBookmarkClick();
    void SeeBookmarksClick();
    void SeeSourceClick();
    void SeeHeaderClick();
    void SeeScriptsClick();
    void ShowText(const std::string& text);
    void SaveAsClick();
    void FindClick();
    // The find dialog's request: the next match from the viewer's caret.
    void FindDialogFind();
    void ViewImagesClick();
    void UseProxyClick();
    void OpenLocalClick(const char* filter);
    void NewBrowserClick();
    void OpenInAnotherWindowClick();
    void AboutClick();

    // What a navigation that shows nothing goes back to.
    struct TWindowState {
        general::TRECURL Page;
        QString Caption;
    };
    enum class TFetchOutcome { Show, TooManyRedirections, Done };
    void EndPreviousNavigation();
    // Puts the page on display back in the address box and the caption, and says Why.
    void KeepWindow(const TWindowState& before, const std::string& why);
    // Fetches CurrentUrl into its cache file. Done: nothing more to do (superseded,
    // failed, or redirected and followed).
    TFetchOutcome FetchOverHttp(int serial, const TWindowState& before);
    void FinishDownload(const TWindowState& before);
    // Ends the running retrieval: the cache file is closed and RetrievalDone set.
    void EndRetrieval();
    // Ends the running retrieval for Why; with Discard, what arrived is thrown away and
    // the window stays as it was.
    void FailRetrieval(const std::string& why, bool discard);
    // An https: page through a proxy: the CONNECT request, the proxy's answer, then TLS.
    enum class TTunnel { None, Asking, Answering, Open };
    TTunnel Tunnel = TTunnel::None;
    std::string TunnelReply;
    void ReadTunnelReply(net::TBufferedSocketBase* socket);
    // Why TLS refused the server of the last retrieval ("" when it did not).
    std::string TlsRefusal;
    // Called for every piece of a response: the time-out starts again.
    void RetrievalProgress();
    // Status panel 2: the bytes received and, when the length is known, the percentage.
    void ShowProgress(bool final);
    QElapsedTimer ProgressClock;
    void AskWhereToSave();
    // The save dialog for the file CurrentUrl names, in the user's directory.
    void PrepareDownloadDialog(const QString& title);
    // Back and Forward are enabled only when there is somewhere to go.
    void UpdateHistoryButtons();
    // ftp: addresses: a listing page, a file shown, or a file saved where the user chooses.
    void FtpRetrieval();
    bool FtpClientGone(const ftp::TClientFTP* c) const;
    void FtpShowFile(ftp::TClientFTP& c);
    void FtpSaveFile(ftp::TClientFTP& c);
    void FtpShowListing(ftp::TClientFTP& c);
    // mailto: addresses: the mail dialog, addressed to Recipient.
    void ShowMailDialog(const std::string& recipient);

    TWindowParams Params;
    std::unique_ptr<TResponseSplitter> Splitter;
    bool DownloadCancelled = false;
    // Why the last retrieval got no answer (refused, not found, timed out); empty otherwise.
    std::string RetrievalFailure;
    // The page on display. Until a new page is shown it is the base of links, pictures
    // and typed relative addresses, and what the commands on "this page" act on, even
    // while another address is being fetched.
    general::TRECURL DisplayedPage;
    // The link and the source of the picture the pop-up menu was opened on ("" elsewhere).
    std::string PopupLink, PopupImage;
    // The windows of the program, and the cache and temporary files each has used: a
    // window closed while others stay open deletes only its own.
    static std::vector<TFMain*>& OpenWindows();
    std::set<std::string> OwnFiles;
    void OwnFile(const std::string& file);
    bool FileOfAnotherWindow(const std::string& file) const;
    // The file on display when it is a picture shown on its own: the viewer asks for it
    // as an image, and it is handed over from the cache, not fetched again.
    std::string ShownPictureFile;
    // Pictures of the page refused by the protocol check or the lists: only the first
    // brings up a box.
    int RefusedPictures = 0;
    std::string PictureRefusal; // what the status line says of them
    // The time-out between two reads of a retrieval, and the deadline of the whole one.
    QTimer* ReadTimer = nullptr;
    QTimer* DeadlineTimer = nullptr;
    int RedirectsInARow = 0;
    bool FollowingRedirect = false;
    // The window's message target: WM_OPENURL is sent here.
    std::unique_ptr<platform::TMessageForwarder> Messages;
    int NavigationDepth = 0;
    // Counts navigations; a waiting navigation that finds it moved on was superseded.
    int NavigationSerial = 0;
    std::string NavigationError;
    bool Closed = false;
    // Set when the last FTP retrieval put a page on display.
    bool FtpShown = false;
};

} // namespace shell
