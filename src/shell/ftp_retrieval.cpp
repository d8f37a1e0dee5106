// ftp: addresses in a browser window: directories become a listing page of links, files
// of the kinds the browser shows are shown, and any other file is offered for saving.
#include "ftp/client_ftp.h"
#include "general/helpers.h"
#include "mail/send_mail.h"
#include "platform/files.h"
#include "platform/ini_file.h"
#include "shell/browser_window.h"
#include "shell/dialogs.h"
#include "shell/forms.h"
#include "shell/url_combo_box.h"
#include "view/html_view.h"

#include <QFileDialog>
#include <cstdio>

namespace shell {

void TFMain::FtpRetrieval() {
    FtpShown = false;
    ftp::TClientFTP& c = *FTPClient;
    c.Host = CurrentUrl.Host;
    c.User = Options.FtpAnonymousUser;
    c.Password = Options.FtpAnonymousPw;
    c.RemotePath = CurrentUrl.Path;
    int port = 21;
    platform::ParseIntegerText(CurrentUrl.Port, port);
    c.Port = port;
    c.TimeOut = Options.TimeOut;
    std::string home, system;
    SetStatus(0, "Connecting to " + c.Host + " ...");
    const bool loggedIn = c.Login(home, system);
    if (FtpClientGone(&c)) return;
    if (!loggedIn) {
        SetStatus(0, c.Error);
        NavigationError = c.Error;
        ShowMessage(c.Error, TMsgStyle::Information, this);
        return;
    }
    c.OnProgress = [this](ftp::TClientFTP*, int64_t bytes) {
        SetStatus(2, std::to_string(bytes) + " bytes");
    };
    const bool isFile = c.IsFile();
    if (FtpClientGone(&c)) return;
    if (!isFile)
        FtpShowListing(c);
    else if (general::IsKnownExtension(Options, general::LastExtension(CurrentUrl.Url)))
        FtpShowFile(c);
    else
        FtpSaveFile(c);
}

bool TFMain::FtpClientGone(const ftp::TClientFTP* c) const {
    // Closing the window destroys the client while it waits; nothing of it may be touched
    // after that.
    return Closed || FTPClient.get() != c;
}

void TFMain::FtpShowFile(ftp::TClientFTP& c) {
    // The file keeps its own extension, so that a picture is shown as a picture.
    const std::string ext = general::LastExtension(CurrentUrl.Url);
    const std::string tmp = platform::TempFileName(Options.TmpDir, ext);
    const std::string local = tmp.empty() ? std::string() : tmp + "." + ext;
    OwnFile(local);
    const bool ok = !local.empty() && platform::RenameFile(tmp, local) && c.GetFile(local);
    if (FtpClientGone(&c)) return;
    c.Logout();
    if (FtpClientGone(&c)) return;
    if (!ok) {
        NavigationError = "Error getting file!";
        ShowMessage("Error getting file!", TMsgStyle::Information, this);
        return;
    }
    CBUrls->setEditText(QString::fromLatin1(ShownAddress(CurrentUrl).c_str()));
    AddToHistoryList();
    DisplayFile(local);
    FtpShown = true;
    SetStatus(0, "File retrieved!");
}

void TFMain::FtpSaveFile(ftp::TClientFTP& c) {
    // A terminal without file access has nowhere a person may put a file.
    if (!Options.AllowProtoFile) {
        c.Logout();
        NavigationError = "Download not allowed";
        SetStatus(0, NavigationError);
        return;
    }
    PrepareDownloadDialog("FTP downloading:");
    if (RunFileDialog(SaveDialog)) {
        const bool ok = c.GetFile(SaveDialog->selectedFiles().first().toLatin1().toStdString());
        if (FtpClientGone(&c)) return;
        ShowMessage(ok ? "File retrieved!" : "Error getting file!", TMsgStyle::Information, this);
    } else {
        NavigationError = "download cancelled";
    }
    c.Logout();
}

void TFMain::FtpShowListing(ftp::TClientFTP& c) {
    CBUrls->setEditText(QString::fromLatin1(ShownAddress(CurrentUrl).c_str()));
    AddToHistoryList();
    setWindowTitle(QString::fromLatin1(CurrentUrl.Path.c_str()));
    std::string page;
    const std::vector<std::string>& lines = c.List(true, true);
    if (FtpClientGone(&c)) return;
    for (const std::string& line : lines) page += line + "\n";
    c.Logout();
    if (FtpClientGone(&c)) return;
    const std::string tmp = platform::TempFileName(Options.TmpDir, "html");
    const std::string local = tmp.empty() ? std::string() : tmp + ".html";
    OwnFile(local);
    if (local.empty() || !platform::RenameFile(tmp, local) || !platform::WriteWholeFile(local, page)) {
        NavigationError = "Cannot write the listing page";
        SetStatus(0, NavigationError);
        return;
    }
    DisplayFile(local);
    // The listing has no title of its own: the caption names the directory.
    if (HTMLVisor->DocTitle().empty()) setWindowTitle(QString::fromLatin1(CurrentUrl.Path.c_str()));
    FtpShown = true;
}

void TFMain::ShowMailDialog(const std::string& recipient) {
    if (!Forms().FSendMail) Forms().FSendMail = new mail::TFSendMail(this);
    mail::TFSendMail* d = Forms().FSendMail;
    if (IsHeadless())
        d->OnMessage = [](mail::TFSendMail*, const std::string& text) {
            std::fprintf(stderr, "%s\n", text.c_str());
        };
    d->Prepare(Options, recipient);
    if (!IsHeadless()) d->exec();
}

} // namespace shell
