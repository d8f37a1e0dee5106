// Navigation of a browser window: every way of opening an address ends in Navigate,
// entered through the synchronous WM_OPENURL message.
#include "general/helpers.h"
#include "platform/text.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "shell/access_rules.h"
#include "shell/browser_window.h"
#include "shell/cache_files.h"
#include "shell/dialogs.h"
#include "shell/window_messages.h"

#include "net/buffered_socket.h"

#include <QComboBox>
#include <QTimer>
#include <cstring>

namespace shell {

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
    const bool redirected = FollowingRedirect;
    FollowingRedirect = false;
    if (!redirected) RedirectsInARow = 0;
    struct Depth {
        int& d;
        explicit Depth(int& v) : d(v) { ++d; }
        ~Depth() { --d; }
    } depth(NavigationDepth);
    NavigationError.clear();

    // 1-4
    MetaTimer->stop();
    RefreshUrl.clear();
    BStopClick();
    AutoDeleteCache(Options);
    if (HTTPClient->SocketIfAny() && HTTPClient->SocketIfAny()->Connected()) HTTPClient->Close();
    Options.HTTPThings.Download.Active = false;
    RetrievalDone = true;
    Scripts.clear();
    PendingImages.clear();

    // 5
    const general::TRECURL saved = CurrentUrl;
    const uint8_t n = general::ParseUrl(address, CurrentUrl, saved);

    // 6
    if (n > 7 || !Options.AllowedProtocols.test(n)) {
        CurrentUrl = saved;
        SetStatus(0, "Unknown Protocol!");
        NavigationError = "Unknown Protocol!";
        return;
    }
    if (n == general::ProtoMailto || n == general::ProtoFtp) {
        // The mail dialog and the FTP client are not part of this window yet.
        CurrentUrl = saved;
        SetStatus(0, "Unknown Protocol!");
        NavigationError = "Unknown Protocol!";
        return;
    }

    // 9.1
    if (!IsUrlAllowed(CurrentUrl.Url, Options)) {
        CurrentUrl = saved;
        SetStatus(0, "URL no permitida!");
        NavigationError = "URL no permitida!";
        return;
    }
    // 9.2, 9.3
    CBUrls->setEditText(QString::fromLatin1(CurrentUrl.Url.c_str()));
    setWindowTitle("");
    Options.HTTPThings.LocalFile = CacheFileName(CurrentUrl.Url, Options);
    const std::string& localFile = Options.HTTPThings.LocalFile;

    if (n == general::ProtoFile) {
        // 9.4: a missing file fails silently; the viewer shows what it finds.
        platform::CopyFileOver(CurrentUrl.Path, localFile);
    } else {
        // 9.5: fetch, keeping the window live until the retrieval has ended.
        StartRetrieval();
        while (!RetrievalDone) platform::HandleMessage();
        if (DownloadCancelled) {
            // The user chose not to save: the page on display stays as it was.
            platform::DeleteFile(localFile);
            Options.HTTPThings.Download.Active = false;
            CurrentUrl = saved;
            NavigationError = "download cancelled";
            return;
        }
        if (general::FileSizeOf(localFile) < 1) {
            CurrentUrl = saved;
            ShowMessage("El servidor no envio datos!", TMsgStyle::Information, this);
        }
        const general::THTTPThings& h = Options.HTTPThings;
        if (h.Status == 302 && Options.GoToMovedLocations) {
            if (RedirectsInARow < MaxRedirections) {
                // The redirected navigation runs inside this one.
                platform::DeleteFile(localFile);
                ++RedirectsInARow;
                FollowingRedirect = true;
                OpenUrl(h.Location, true);
                return;
            }
            // A server that keeps redirecting: show what the last answer carried.
            SetStatus(0, "Too many redirections");
        }
    }
    // 9.6
    if (Options.HTTPThings.Download.Active) {
        platform::CopyFileOver(localFile, Options.HTTPThings.Download.FileName);
        ShowMessage("File downloaded.", TMsgStyle::Information, this);
        CurrentUrl = saved;
        return;
    }
    // 9.7
    if (record) AddToHistoryList();
    // 9.8
    DisplayFile(localFile);
    // 9.9
    StopRequested = false;
}

void TFMain::DisplayFile(const std::string& file) {
    // Until the viewer takes HTMLVisor's place, only the caption shows what was opened.
    if (!platform::IsPlainFile(file)) NavigationError = "Can't locate file: " + file;
    setWindowTitle(QString::fromLatin1(CurrentUrl.Url.c_str()));
}

void TFMain::AddToHistoryList() {
    ++HistoryIndex;
    if (HistoryIndex < 0) HistoryIndex = 0;
    if (static_cast<size_t>(HistoryIndex) < History.size())
        History.resize(static_cast<size_t>(HistoryIndex));
    History.push_back(CurrentUrl.Url);
}

} // namespace shell
