// Navigation of a browser window: every way of opening an address ends in Navigate,
// entered through the synchronous WM_OPENURL message.
#include "general/helpers.h"
#include "html/parse_error.h"
#include "platform/text.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "shell/access_rules.h"
#include "shell/browser_window.h"
#include "shell/cache_files.h"
#include "shell/dialogs.h"
#include "shell/url_combo_box.h"

#include "net/buffered_socket.h"
#include "platform/text.h"
#include "view/html_view.h"

#include <QComboBox>
#include <QAction>
#include <QTimer>
#include <QToolButton>
#include <cstring>

namespace shell {

std::string ShownAddress(const general::TRECURL& url) {
    return url.Fragment.empty() ? url.Url : url.Url + "#" + url.Fragment;
}

void TFMain::OpenUrl(const std::string& address, bool record) {
    // The receiver owns and releases the zero-terminated copy.
    char* copy = new char[address.size() + 1];
    std::memcpy(copy, address.c_str(), address.size() + 1);
    platform::SendMessage(Messages.get(), WM_OPENURL, record ? 1 : 0,
                          reinterpret_cast<intptr_t>(copy));
}

intptr_t TFMain::handleMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
    if (msg == WM_OPENURL) {
        std::unique_ptr<char[]> text(reinterpret_cast<char*>(lParam));
        Navigate(text ? std::string(text.get()) : std::string(), wParam != 0);
    }
    return 0;
}

void TFMain::Navigate(const std::string& address, bool record) {
    // A closed window has given up its image threads and files; a meta refresh of a
    // further window, hidden when closed, must not bring it back to life.
    if (Closed) return;
    const int serial = ++NavigationSerial;
    const bool redirected = FollowingRedirect;
    FollowingRedirect = false;
    if (!redirected) RedirectsInARow = 0;
    struct Depth {
        int& d;
        explicit Depth(int& v) : d(v) { ++d; }
        ~Depth() { --d; }
    } depth(NavigationDepth);
    NavigationError.clear();
    EndPreviousNavigation();

    // What a failure goes back to is the page on display. A redirection is resolved
    // against the answer that carried it; anything else against the page on display,
    // not against an address still being fetched.
    const TWindowState before{DisplayedPage, windowTitle()};
    const uint8_t n = general::ParseUrl(address, CurrentUrl, redirected ? CurrentUrl : DisplayedPage);
    if (n > 7 || !Options.AllowedProtocols.test(n)) return KeepWindow(before, "Unknown Protocol!");
    // Every protocol goes through the same lists, so a denied server stays denied
    // whatever protocol names it.
    if (!IsUrlAllowed(CurrentUrl.Url, Options)) return KeepWindow(before, "URL no permitida!");
    if (n == general::ProtoMailto) {
        // The page, the address box and the history stay as they are.
        const std::string recipient = CurrentUrl.Host;
        CurrentUrl = before.Page;
        ShowMailDialog(recipient);
        return;
    }
    if (n == general::ProtoFtp) {
        FtpRetrieval();
        if (!FtpShown) CurrentUrl = before.Page;
        UpdateHistoryButtons();
        return;
    }
    // A place within the page on display is only scrolled to: nothing is asked again.
    if (!CurrentUrl.Fragment.empty() && CurrentUrl.Url == DisplayedPage.Url &&
        CurrentUrl.Method != general::MethodPost) {
        CBUrls->setEditText(QString::fromLatin1(ShownAddress(CurrentUrl).c_str()));
        if (record) AddToHistoryList();
        HTMLVisor->ScrollToAnchor("#" + CurrentUrl.Fragment);
        UpdateHistoryButtons();
        return;
    }
    CBUrls->setEditText(QString::fromLatin1(ShownAddress(CurrentUrl).c_str()));
    setWindowTitle("");
    Options.HTTPThings.LocalFile = CacheFileName(CurrentUrl.Url, Options);
    const std::string& localFile = Options.HTTPThings.LocalFile;
    OwnFile(localFile);

    bool tooManyRedirections = false;
    if (n == general::ProtoFile) {
        // A missing file fails silently; the viewer shows what it finds.
        platform::CopyFileOver(CurrentUrl.Path, localFile);
    } else {
        const TFetchOutcome outcome = FetchOverHttp(serial, before);
        if (outcome == TFetchOutcome::Done) return;
        tooManyRedirections = outcome == TFetchOutcome::TooManyRedirections;
    }
    // A file the browser does not show was saved where the user chose.
    if (Options.HTTPThings.Download.Active) return FinishDownload(before);
    if (record) AddToHistoryList();
    const bool web = n == general::ProtoHttp || n == general::ProtoHttps;
    TShowAs as = TShowAs::ByExtension;
    if (web)
        as = platform::UpperCase(Options.HTTPThings.ContentType).starts_with("IMAGE/") ? TShowAs::Picture : TShowAs::Page;
    DisplayFile(localFile, as);
    UpdateHistoryButtons();
    // The page is up: its network pictures follow in the background.
    StopRequested = false;
    StartImageThreads();
    if (tooManyRedirections) SetStatus(0, "Too many redirections");
    // A page cut short (stopped, timed out) is shown as far as it came, and says so.
    else if (web && !RetrievalFailure.empty()) SetStatus(0, RetrievalFailure);
}

void TFMain::EndPreviousNavigation() {
    // A new navigation cancels a pending refresh and ends whatever the last one left running.
    MetaTimer->stop();
    RefreshUrl.clear();
    BStopClick();
    AutoDeleteCache(Options);
    if (HTTPClient->SocketIfAny() && HTTPClient->SocketIfAny()->Connected()) HTTPClient->Close();
    Options.HTTPThings.Download.Active = false;
    RetrievalDone = true;
    Scripts.clear();
    PendingImages.clear();
}

void TFMain::KeepWindow(const TWindowState& before, const std::string& why) {
    Options.HTTPThings.Download.Active = false;
    CurrentUrl = before.Page;
    // Whatever the failed request was, the next one from this window is a plain GET.
    CurrentUrl.Method = general::MethodGet;
    CBUrls->setEditText(QString::fromLatin1(ShownAddress(before.Page).c_str()));
    setWindowTitle(before.Caption);
    SetStatus(0, why);
    NavigationError = why;
}

TFMain::TFetchOutcome TFMain::FetchOverHttp(int serial, const TWindowState& before) {
    const std::string& localFile = Options.HTTPThings.LocalFile;
    // Fetch, keeping the window live until the retrieval has ended.
    StartRetrieval();
    while (!RetrievalDone) platform::HandleMessage();
    // A navigation started during the wait (a link followed, the window closed) has taken
    // over: its page, not this one, is on display and in the history.
    if (serial != NavigationSerial || Closed) return TFetchOutcome::Done;
    auto keep = [&](const std::string& why) {
        platform::DeleteFile(localFile);
        KeepWindow(before, why);
        return TFetchOutcome::Done;
    };
    // The user chose not to save.
    if (DownloadCancelled) return keep("download cancelled");
    const general::THTTPThings& h = Options.HTTPThings;
    const bool empty = general::FileSizeOf(localFile) < 1;
    // A certificate that does not hold is a refusal a person must see, never a question.
    if (!TlsRefusal.empty()) {
        keep(TlsRefusal);
        ShowMessage(TlsRefusal, TMsgStyle::Information, this);
        return TFetchOutcome::Done;
    }
    // No answer at all (refused, not found, timed out, stopped, not allowed).
    if (empty && !RetrievalFailure.empty()) return keep(RetrievalFailure);
    const bool redirect = h.Status == 302 && Options.GoToMovedLocations;
    if (empty && !redirect) {
        // A server that accepted the connection and sent nothing.
        ShowMessage("El servidor no envio datos!", TMsgStyle::Information, this);
        return keep("El servidor no envio datos!");
    }
    if (!redirect) return TFetchOutcome::Show;
    // A server that keeps redirecting: what the last answer carried is shown.
    if (RedirectsInARow >= MaxRedirections) return TFetchOutcome::TooManyRedirections;
    // Location is resolved against the answer that carries it, which is CurrentUrl still,
    // whether or not a body came with it. The redirected navigation runs inside this one.
    platform::DeleteFile(localFile);
    ++RedirectsInARow;
    FollowingRedirect = true;
    OpenUrl(h.Location, true);
    return TFetchOutcome::Done;
}

void TFMain::FinishDownload(const TWindowState& before) {
    general::THTTPThings& h = Options.HTTPThings;
    const bool copied = platform::CopyFileOver(h.LocalFile, h.Download.FileName);
    platform::DeleteFile(h.LocalFile);
    // A download is not a page: the window goes back to the one on display.
    const std::string result = !copied                   ? "Can not write \"" + h.Download.FileName + "\""
                               : RetrievalFailure.empty() ? std::string("File downloaded.")
                                                          : "Download incomplete: " + RetrievalFailure;
    KeepWindow(before, result);
    if (copied && RetrievalFailure.empty()) NavigationError.clear();
    ShowMessage(result, TMsgStyle::Information, this);
}

void TFMain::DisplayFile(const std::string& file, TShowAs as) {
    if (as == TShowAs::ByExtension) {
        // The extension of the name part, dot included, decides between a picture and a page.
        const size_t slash = file.find_last_of('/');
        const size_t dot = file.rfind('.');
        std::string ext;
        if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
            ext = platform::UpperCase(file.substr(dot));
        const bool picture = ext == ".BMP" || ext == ".GIF" || ext == ".JPG" || ext == ".JPEG" || ext == ".PNG";
        as = picture ? TShowAs::Picture : TShowAs::Page;
    }
    DisplayedPage = CurrentUrl;
    RefusedPictures = 0;
    ShownPictureFile = as == TShowAs::Picture ? file : std::string();
    try {
        if (as == TShowAs::Picture)
            HTMLVisor->ShowImageFile(file);
        else
            HTMLVisor->LoadDocument(file);
    } catch (const html::EParseError& e) {
        // The page is shown as far as it could be read: the navigation succeeded, and the
        // reason the rest is missing is on the status line as well as in the error box.
        SetStatus(0, e.what());
        platform::ReportError(e.what());
    } catch (const std::exception& e) {
        // The page on display stays; the failure is reported as any other.
        NavigationError = e.what();
        platform::ReportError(e.what());
    }
    const std::string& title = HTMLVisor->DocTitle();
    setWindowTitle(QString::fromLatin1((title.empty() ? CurrentUrl.Url : title).c_str()));
    if (!CurrentUrl.Fragment.empty())
        HTMLVisor->ScrollToAnchor("#" + CurrentUrl.Fragment);
    else
        HTMLVisor->SetSectionPosition(0);
}

void TFMain::UpdateHistoryButtons() {
    const bool back = HistoryIndex > 0, forward = HistoryIndex + 1 < static_cast<int>(History.size());
    BAtras->setEnabled(back);
    PMBack->setEnabled(back);
    BDelante->setEnabled(forward);
    PMForward->setEnabled(forward);
}

void TFMain::AddToHistoryList() {
    ++HistoryIndex;
    if (HistoryIndex < 0) HistoryIndex = 0;
    if (static_cast<size_t>(HistoryIndex) < History.size())
        History.resize(static_cast<size_t>(HistoryIndex));
    History.push_back(ShownAddress(CurrentUrl));
}

} // namespace shell
