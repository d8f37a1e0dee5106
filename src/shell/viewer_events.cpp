// The viewer's events as the browser window answers them: links, hovering, meta refresh,
// processing, scripts, images, the pop-up menu and form submissions.
#include "image/memory_stream.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "doc/image_obj.h"
#include "shell/browser_window.h"
#include "shell/form_data.h"
#include "view/html_view.h"

#include <QMenu>
#include <QTimer>

namespace shell {

void TFMain::WireViewer() {
    view::THtmlView* v = HTMLVisor;
    v->OnHotSpotClick = [this](void*, const std::string& src, bool& handled) {
        handled = true;
        CurrentUrl.Method = general::MethodGet;
        OpenUrl(src, true);
    };
    v->OnHotSpotCovered = [this](void*, const std::string& src) { SetStatus(1, src); };
    v->OnMetaRefresh = [this](void*, int delay, const std::string& url) {
        RefreshUrl = url;
        MetaTimer->setInterval(std::max(0, delay) * 1000);
        MetaTimer->start();
    };
    // Refused pictures of the page stay counted on the status line once it is shown.
    v->OnProcessing = [this](void*, bool on) {
        SetStatus(0, on ? "Processing ..." : RefusedPictures > 0 ? PictureRefusal : "Finished.");
    };
    // A picture beyond the page's memory budget keeps its placeholder; the reason stays
    // on the status line once the page is shown.
    v->OnPictureRefused = [this](view::THtmlView*, const std::string& text) {
        PictureRefusal = text;
        RefusedPictures = std::max(RefusedPictures, 1);
        SetStatus(0, text);
    };
    v->SetOnScript([this](void*, const std::string& language, const std::string& script) {
        SetStatus(0, "This page has SCRIPTS!");
        Scripts.push_back("");
        Scripts.push_back(language);
        Scripts.push_back(script);
    });
    v->SetOnImageRequest([this](void*, const std::string& src, image::TMemoryStream*& stream) {
        OnImageRequest(src, stream);
    });
    v->SetOnFormSubmit([this](void*, const std::string& action, const std::string&, const std::string&,
                              const std::string& method, std::vector<std::string> results) {
        ViewerFormSubmit(action, method, results);
    });
    v->OnRightClick = [this](void*, view::TRightClickParameters& p) {
        // "Open in another window" opens the link under the mouse, and Save As and that
        // command act on the picture under it. They are kept here: the link panel clears
        // as the menu takes the pointer.
        SetStatus(1, p.ClickURL);
        PopupLink = p.ClickURL;
        PopupImage = p.ClickImage ? p.ClickImage->Source : std::string();
        PopupMenu->popup(QCursor::pos());
    };
    OnImageArrived = [this](const std::string& src, image::TMemoryStream& stream) {
        HTMLVisor->SupplyImage(src, &stream);
    };
}

void TFMain::ViewerFormSubmit(const std::string& action, const std::string& method,
                              const std::vector<std::string>& results) {
    const std::string m = platform::UpperCase(method);
    CurrentUrl.Method = m == "GET" ? general::MethodGet : m == "POST" ? general::MethodPost : general::MethodNone;
    CurrentUrl.PostData = EncodeFormData(results);
    CurrentUrl.PostDataLength = static_cast<int32_t>(CurrentUrl.PostData.size());
    // A form without ACTION goes back to its own page, not to the page's directory.
    const std::string target = action.empty() ? DisplayedPage.Url : action;
    // GET carries its data in the address; POST in the request body. The result page is
    // shown but not recorded in the history.
    const std::string address =
        CurrentUrl.Method == general::MethodGet ? AppendFormData(target, CurrentUrl.PostData) : target;
    OpenUrl(address, false);
}

} // namespace shell
