// The window's HTTP page retrieval: the client's event handlers write the response body
// into the page's cache file and end the retrieval that Navigate waits for.
#include "general/helpers.h"
#include "platform/files.h"
#include "net/buffered_socket.h"
#include "platform/messages.h"
#include "net/sock_error.h"
#include "shell/browser_window.h"
#include "shell/cache_files.h"
#include "shell/dialogs.h"
#include "shell/http_retrieval.h"

#include <QFileDialog>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace shell {

void TFMain::StartRetrieval() {
    general::THTTPThings& h = Options.HTTPThings;
    RetrievalDone = false;
    DownloadCancelled = false;
    RetrievalFailure.clear();
    Splitter->Reset();
    ProgressClock.invalidate();
    SetStatus(2, "");
    if (h.FileHandle >= 0) ::close(h.FileHandle);
    // The cache file is the user's own, never a link planted at its name.
    h.FileHandle = OpenCacheFile(h.LocalFile);
    if (h.FileHandle < 0) {
        RetrievalFailure = "Can not write \"" + h.LocalFile + "\": " + std::strerror(errno);
        EndRetrieval();
        return;
    }
    if (Options.TimeOut > 0) DeadlineTimer->start(Options.TimeOut * 1000 * RetrievalDeadlineTimeOuts);
    try {
        if (!Options.UseProxy) {
            HTTPClient->SetAddress(CurrentUrl.Host.substr(0, 255));
            HTTPClient->SetPort(CurrentUrl.Port.substr(0, 255));
        } else {
            HTTPClient->SetAddress(Options.ProxyServer.substr(0, 255));
            HTTPClient->SetPort(std::to_string(Options.ProxyPort));
        }
        // Through a proxy, TLS starts inside the tunnel the proxy opens.
        const bool https = general::ProtocolNumber(CurrentUrl.Protocol) == general::ProtoHttps;
        Tunnel = https && Options.UseProxy ? TTunnel::Asking : TTunnel::None;
        TunnelReply.clear();
        TlsRefusal.clear();
        HTTPClient->SetTls(https && !Options.UseProxy, CurrentUrl.Host, Options.CaFile);
        HTTPClient->SetTimeOut(Options.TimeOut);
        HTTPClient->Connect();
    } catch (const std::exception& e) {
        // A host that cannot be found: the navigation reports it and leaves the page.
        RetrievalFailure = e.what();
        EndRetrieval();
    }
}

bool TFMain::ConnectionOpen() const {
    const net::TSocketBase* s = HTTPClient ? HTTPClient->SocketIfAny() : nullptr;
    return s && s->Connected();
}

void TFMain::EndRetrieval() {
    general::THTTPThings& h = Options.HTTPThings;
    if (!RetrievalDone) ShowProgress(true);
    ReadTimer->stop();
    DeadlineTimer->stop();
    if (h.FileHandle >= 0) {
        ::close(h.FileHandle);
        h.FileHandle = -1;
    }
    RetrievalDone = true;
    platform::WakeUp();
}

void TFMain::FailRetrieval(const std::string& why, bool discard) {
    if (RetrievalDone) return;
    general::THTTPThings& h = Options.HTTPThings;
    RetrievalFailure = why;
    if (discard && h.FileHandle >= 0 && ::ftruncate(h.FileHandle, 0) != 0) {
        // An emptied file is what tells the navigation to keep the page on display.
        ::close(h.FileHandle);
        h.FileHandle = -1;
        platform::DeleteFile(h.LocalFile);
    }
    // Ended first, so that what the closing connection still hands over is ignored.
    EndRetrieval();
    if (HTTPClient->SocketIfAny()) HTTPClient->Close();
}

void TFMain::ShowProgress(bool final) {
    // At most ten updates a second: a fast transfer must not spend its time drawing.
    if (!final && ProgressClock.isValid() && ProgressClock.elapsed() < 100) return;
    ProgressClock.start();
    const general::THTTPThings& h = Options.HTTPThings;
    std::string text = std::to_string(h.ReceivedBytes) + " bytes";
    if (h.ContentLength > 0)
        text += " (" + std::to_string(std::min<int64_t>(100, h.ReceivedBytes * 100 / h.ContentLength)) + "%)";
    SetStatus(2, text);
}

void TFMain::RetrievalProgress() {
    const general::TDownloadingFile& d = Options.HTTPThings.Download;
    // While the save dialog is open the person, not the server, is being waited for.
    if (d.Active && d.FileName.empty()) return;
    if (Options.TimeOut > 0 && !RetrievalDone) ReadTimer->start(Options.TimeOut * 1000);
}

void TFMain::HTTPClientConnect(net::TSocketBase* socket) {
    auto* b = static_cast<net::TBufferedSocketBase*>(socket);
    // A refused or failed connection, or a certificate that does not hold, ends the
    // retrieval at once.
    if (!socket->Connected()) {
        TlsRefusal = b->TlsFailure();
        RetrievalFailure = !TlsRefusal.empty() ? TlsRefusal : net::SockErrorText(socket->LastError);
        if (RetrievalFailure.empty()) RetrievalFailure = "Connection failed";
        EndRetrieval();
        return;
    }
    RetrievalProgress();
    if (Tunnel == TTunnel::Asking) {
        const std::string connect = TunnelRequest(CurrentUrl);
        b->WriteBlock(connect.data(), static_cast<uint32_t>(connect.size()));
        b->FlushWriteBuffer();
        Tunnel = TTunnel::Answering;
        return;
    }
    // Inside a tunnel the server itself is addressed, not the proxy.
    RequestBuffer = ComposeRequest(CurrentUrl, Options.HTTPThings, Options.UseProxy && Tunnel == TTunnel::None);
    if (RequestBuffer.empty()) {
        // A form method other than GET or POST: nothing is sent.
        HTTPClient->Close();
        EndRetrieval();
        return;
    }
    if (RequestBuffer.size() <= b->WriteFree()) {
        b->WriteBlock(RequestBuffer.data(), static_cast<uint32_t>(RequestBuffer.size()));
        b->FlushWriteBuffer();
    } else {
        // Long form data go out through the send pump, a buffer at a time.
        b->StartSendStream(new net::TMemoryStream(RequestBuffer), true);
    }
}

void TFMain::ProcessReceivedData(const char* data, size_t count) {
    general::THTTPThings& h = Options.HTTPThings;
    auto write = [&](const char* p, size_t n) {
        if (h.FileHandle < 0) return;
        while (n > 0) {
            ssize_t w = ::write(h.FileHandle, p, n);
            if (w <= 0) return;
            p += w;
            n -= static_cast<size_t>(w);
        }
    };
    RetrievalProgress();
    bool headerDone = Splitter->Process(data, count, write);
    if (!h.InHeader) ShowProgress(false);
    // A redirection is followed whatever it carries, so its type never asks for a download.
    const bool redirect = h.Status == 302 && Options.GoToMovedLocations;
    if (headerDone && !redirect && !general::IsRenderableType(Options)) {
        // A terminal without file access has nowhere a person may put a file.
        if (!Options.AllowProtoFile) {
            FailRetrieval("Download not allowed", true);
            return;
        }
        AskWhereToSave();
        if (RetrievalDone) return;
    }
    // Only a page is held to a size; a download is limited by the disk alone.
    if (!h.Download.Active && h.ReceivedBytes > Options.MaxPageSize) {
        FailRetrieval("Page too large", true);
        return;
    }
    // A server that keeps the connection open after the whole body ends the page here.
    if (!RetrievalDone && !h.InHeader && h.ContentLength >= 0 && h.ReceivedBytes >= h.ContentLength) {
        HTTPClient->Close();
        EndRetrieval();
    }
}

void TFMain::PrepareDownloadDialog(const QString& title) {
    SaveDialog->setDirectory(QString::fromLatin1(Options.UserDir.c_str()));
    SaveDialog->setNameFilters(FilterToNameFilters("All files (*.*)|*.*"));
    SaveDialog->setDefaultSuffix("");
    SaveDialog->selectFile(QString::fromLatin1(general::LastPathSegment(CurrentUrl.Url).c_str()));
    SaveDialog->setWindowTitle(title);
}

void TFMain::AskWhereToSave() {
    general::THTTPThings& h = Options.HTTPThings;
    h.Download.Active = true;
    h.Download.FileName.clear();
    PrepareDownloadDialog(QString::fromLatin1(
        ("You are going to download a \"" + h.ContentType + "\" file.").c_str()));
    // A person choosing a name is not a server that stopped answering; and a download
    // may take as long as its size needs.
    ReadTimer->stop();
    DeadlineTimer->stop();
    // The answer may have ended while the dialog was open: the choice still counts.
    if (RunFileDialog(SaveDialog)) {
        h.Download.FileName = SaveDialog->selectedFiles().first().toLatin1().toStdString();
        RetrievalProgress();
    } else {
        DownloadCancelled = true;
        HTTPClient->Close();
        EndRetrieval();
    }
}

void TFMain::ReadTunnelReply(net::TBufferedSocketBase* socket) {
    std::string line;
    while (Tunnel == TTunnel::Answering && socket->ReadLine(line, "\r\n", false)) {
        RetrievalProgress();
        if (TunnelReply.empty()) {
            TunnelReply = line.empty() ? " " : line;
        } else if (line.empty()) {
            // The tunnel is open once the proxy says 200 and ends its answer.
            if (!TunnelOpened(TunnelReply)) {
                FailRetrieval("The proxy did not open a connection to " + CurrentUrl.Host + ": " + TunnelReply, true);
                return;
            }
            Tunnel = TTunnel::Open;
            socket->StartTls(CurrentUrl.Host, Options.CaFile);
        }
    }
}

void TFMain::HTTPClientReadBufferFull(net::TBufferedSocketBase* socket) {
    if (Tunnel == TTunnel::Answering) return ReadTunnelReply(socket);
    char buf[4002];
    int n = socket->ReadBuf(buf, 4001);
    if (n > 0 && !RetrievalDone) ProcessReceivedData(buf, static_cast<size_t>(n));
}

void TFMain::HTTPClientDisconnect(net::TSocketBase* socket) {
    auto* b = static_cast<net::TBufferedSocketBase*>(socket);
    if (Tunnel == TTunnel::Answering) {
        ReadTunnelReply(b);
        FailRetrieval("The proxy closed the connection to " + CurrentUrl.Host, true);
        return;
    }
    // Damaged data on an established TLS connection: nothing of it is shown.
    if (!b->TlsFailure().empty()) {
        TlsRefusal = b->TlsFailure();
        FailRetrieval(TlsRefusal, true);
        return;
    }
    char buf[4002];
    for (int pass = 0; pass < 2; ++pass) {
        int n;
        while ((n = b->ReadBuf(buf, 4001)) > 0)
            if (!RetrievalDone) ProcessReceivedData(buf, static_cast<size_t>(n));
        if (pass == 0) platform::ProcessMessages();
    }
    if (RetrievalDone) return;
    b->Close();
    EndRetrieval();
}

void TFMain::HTTPClientTimeOut() { FailRetrieval("Time out!", false); }

void TFMain::HTTPClientInfo(int code) {
    static const char* const texts[] = {"Inactive.",          "Resolving address name ...",
                                        "Connecting ...",     "Connected.",
                                        "Waiting connection ...", "Recibing data ...",
                                        "Sending data ...",   "Conection closed.",
                                        "Time out!",          "Conection accepted.",
                                        "No such socket"};
    if (code >= 0 && code <= 10) SetStatus(0, texts[code]);
}

} // namespace shell
