// The viewer's own vocabulary: its events (each a std::function, Sender first, fired only
// when set), the scroll-bar and frame styles, the parameters of a right click, the
// document kinds and the errors the viewer raises.
#pragma once

#include "platform/exception.h"

#include <Qt>
#include <functional>
#include <string>
#include <vector>

namespace doc {
class TFormControlObj;
class TImageObj;
} // namespace doc

namespace image {
class TMemoryStream;
}

namespace view {

class THtmlView;

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum THTMLBorderStyle { htFocused, htNone, htSingle };
enum TDocKind { dkHTML, dkImage };

// One history entry's position: where in the document the reader was, and what kind of
// document it was.
struct PositionObj {
    int Packed = 0; // packed position (section index * 65536 + offset)
    TDocKind DocKind = dkHTML;
};

// What was under the mouse at a right click; made for the event and gone after it.
struct TRightClickParameters {
    std::string ClickURL;    // '' when the click was not on a link
    std::string ClickTarget;
    doc::TImageObj* ClickImage = nullptr; // the image under the click, if any
    int ClickImageX = 0;     // the click inside that image
    int ClickImageY = 0;
};

using TNotifyEvent = std::function<void(THtmlView* sender)>;
using THotSpotEvent = std::function<void(THtmlView* sender, const std::string& src)>;
using THotSpotClickEvent = std::function<void(THtmlView* sender, const std::string& src, bool& handled)>;
// Results belong to the handler from the moment it is called.
using TFormSubmitEvent =
    std::function<void(THtmlView* sender, const std::string& action, const std::string& target,
                       const std::string& encType, const std::string& method, std::vector<std::string> results)>;
using TStatusTextEvent = std::function<void(THtmlView* sender, const std::string& text)>;
using TProcessingEvent = std::function<void(THtmlView* sender, bool processingOn)>;
using TMetaRefreshType = std::function<void(THtmlView* sender, int delay, const std::string& url)>;
using TImageClickEvent = std::function<void(THtmlView* sender, doc::TImageObj* obj, Qt::MouseButton button,
                                            Qt::KeyboardModifiers shift, int x, int y)>;
using TImageOverEvent =
    std::function<void(THtmlView* sender, doc::TImageObj* obj, Qt::KeyboardModifiers shift, int x, int y)>;
using TRightClickEvent = std::function<void(THtmlView* sender, TRightClickParameters& parameters)>;

// The document's requests, handed on by the viewer.
// A picture: the handler is called with an empty stream and returns a stream with the
// picture's bytes, the shared "later" marker for a picture that comes later, or nothing.
using TImageRequestEvent =
    std::function<void(THtmlView* sender, const std::string& src, image::TMemoryStream*& stream)>;
using TScriptEvent = std::function<void(THtmlView* sender, const std::string& language, const std::string& script)>;
// A form control was clicked: the control and its ONCLICK text.
using TObjectClickEvent =
    std::function<void(THtmlView* sender, doc::TFormControlObj* obj, const std::string& onClick)>;
// META: HTTP-EQUIV, NAME and CONTENT (empty when absent).
using TMetaType = std::function<void(THtmlView* sender, const std::string& httpEquiv, const std::string& name,
                                     const std::string& content)>;
// BGSOUND: the SRC, the number of times to play (LOOP, 1 when absent) and Terminate (true to
// stop the sound playing).
using TSoundType = std::function<void(THtmlView* sender, const std::string& src, int loop, bool terminate)>;
// '<!--#command NAME="value" ...-->': text left in Buffer is read in place of the comment.
using TIncludeType = std::function<void(THtmlView* sender, const std::string& command,
                                        std::vector<std::string> params, std::string& buffer)>;

// The standard events of a control, with the drawing surface's coordinates.
using TMouseEvent = std::function<void(THtmlView* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift,
                                       int x, int y)>;
using TMouseMoveEvent = std::function<void(THtmlView* sender, Qt::KeyboardModifiers shift, int x, int y)>;
// Key is a Qt key code; a handler that sets it to 0 keeps the viewer from acting on it.
using TKeyEvent = std::function<void(THtmlView* sender, int& key, Qt::KeyboardModifiers shift)>;
using TKeyPressEvent = std::function<void(THtmlView* sender, char& key)>;

// A file that is not there ("Can't locate file: " and the name).
class EInOutError : public platform::Exception {
public:
    using platform::Exception::Exception;
};

// No off-screen bitmap for painting.
class EOutOfResources : public platform::Exception {
public:
    using platform::Exception::Exception;
};

} // namespace view
