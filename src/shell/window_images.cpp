// The window's side of the page's images: the viewer's image requests, and the launch of
// the background retrievals once the page is shown.
#include "image/image_support.h"
#include "image/memory_stream.h"
#include "platform/files.h"
#include "shell/access_rules.h"
#include "shell/browser_window.h"
#include "shell/cache_files.h"
#include "shell/dialogs.h"
#include "shell/image_thread.h"

#include <algorithm>
#include <deque>
#include <map>

namespace shell {

void TFMain::OnImageRequest(const std::string& src, image::TMemoryStream*& stream) {
    stream = nullptr;
    auto handOver = [&](const std::string& file) {
        std::string bytes;
        if (platform::IsPlainFile(file) && platform::ReadWholeFile(file, bytes)) {
            LocalImageStream->SetData(std::move(bytes));
            stream = LocalImageStream.get();
        }
    };
    // A picture opened as an address is already in the cache: it is neither checked nor
    // fetched again, and its cache name never reaches a server.
    if (!ShownPictureFile.empty() && src == ShownPictureFile) {
        handOver(src);
        return;
    }
    // A page with many refused pictures brings up one box; the rest are counted.
    auto refuse = [&](const std::string& status, const std::string& box) {
        PictureRefusal = ++RefusedPictures == 1 ? status
                                                : status + " (" + std::to_string(RefusedPictures) + " pictures refused)";
        SetStatus(0, PictureRefusal);
        if (RefusedPictures == 1) ShowMessage(box, TMsgStyle::Information, this);
    };
    const uint8_t n = general::ParseUrl(src, ImageUrl, DisplayedPage);
    if (n > 7 || !Options.AllowedProtocols.test(n)) {
        refuse("Unknown protocol!", "\xA1Protocolo desconocido!");
        return;
    }
    if (!IsUrlAllowed(ImageUrl.Url, Options)) {
        refuse("Not allowed URL!", "\xA1URL no permitida!");
        return;
    }
    const std::string f = CacheFileName(ImageUrl.Url, Options);
    OwnFile(f);
    if (n == general::ProtoFile) {
        platform::CopyFileOver(ImageUrl.Path, f);
        handOver(f);
        return;
    }
    // HTTP pictures are fetched in the background; a picture on an ftp: address is queued
    // as coming later too, and keeps its placeholder, since the image threads speak HTTP.
    if (n != general::ProtoHttp && n != general::ProtoHttps && n != general::ProtoFtp) return;
    if (std::find(PendingImages.begin(), PendingImages.end(), src) == PendingImages.end())
        PendingImages.push_back(src);
    stream = image::LaterStream();
}

void TFMain::StartImageThreads() {
    // One retrieval per address however often it occurs on the page (two retrievals
    // would write the same cache file at once); every address is fetched in the end,
    // at most 50 at a time, unless Stop is pressed.
    std::deque<TImageJob> jobs;
    std::map<std::string, size_t> byFile;
    SetStatus(3, "");
    for (const std::string& src : PendingImages) {
        const uint8_t n = general::ParseUrl(src, ImageUrl, DisplayedPage);
        if (n != general::ProtoHttp && n != general::ProtoHttps) continue;
        // A page that came over TLS showing pictures that did not is marked as mixed.
        if (n == general::ProtoHttp && general::ProtocolNumber(DisplayedPage.Protocol) == general::ProtoHttps)
            SetStatus(3, "Mixed content");
        const std::string f = CacheFileName(ImageUrl.Url, Options);
        auto it = byFile.find(f);
        if (it != byFile.end()) {
            jobs[it->second].Srcs.push_back(src);
            continue;
        }
        TImageJob job;
        job.Srcs = {src};
        job.RecUrl = ImageUrl;
        job.CacheFile = f;
        job.ProxyServer = Options.ProxyServer;
        job.ProxyPort = std::to_string(Options.ProxyPort);
        job.TimeOut = Options.TimeOut;
        job.UseProxy = Options.UseProxy;
        job.Tls = n == general::ProtoHttps;
        job.CaFile = Options.CaFile;
        byFile[f] = jobs.size();
        jobs.push_back(std::move(job));
    }
    PendingImages.clear();
    if (!StopRequested) ImageThreads->Start(std::move(jobs));
}

bool TFMain::ImagesPending() const { return ImageThreads && !ImageThreads->Idle(); }

} // namespace shell
