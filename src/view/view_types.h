// The viewer's own vocabulary: its events (each a std::function, Sender first, fired only
// when set), the scroll-bar and frame styles, the parameters of a right click, the
// document kinds and the errors the viewer raises.
#pragma once

#include "doc/builder.h"
#include "doc/section_list.h"
#include "platform/exception.h"

#include <Qt>
#include <functional>
#include <string>
#include <vector>

namespace doc {
class TImageObj;
}

namespace view {

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

using TNotifyEvent = std::function<void(void* sender)>;
using THotSpotEvent = std::function<void(void* sender, const std::string& src)>;
using THotSpotClickEvent = std::function<void(void* sender, const std::string& src, bool& handled)>;
// Results belong to the handler from the moment it is called.
using TFormSubmitEvent =
    std::function<void(void* sender, const std::string& action, const std::string& target,
                       const std::string& encType, const std::string& method, std::vector<std::string> results)>;
using TProcessingEvent = std::function<void(void* sender, bool processingOn)>;
using TMetaRefreshType = std::function<void(void* sender, int delay, const std::string& url)>;
using TImageClickEvent = std::function<void(void* sender, doc::TImageObj* obj, Qt::MouseButton button,
                                            Qt::KeyboardModifiers shift, int x, int y)>;
using TImageOverEvent =
    std::function<void(void* sender, doc::TImageObj* obj, Qt::KeyboardModifiers shift, int x, int y)>;
using TRightClickEvent = std::function<void(void* sender, TRightClickParameters& parameters)>;

// A form control was clicked (the document fires it).
using doc::TObjectClickEvent;

// The parser's events, handed through to it.
using doc::TIncludeType;
using doc::TMetaType;
using doc::TSoundType;

// The standard events of a control, with the drawing surface's coordinates.
using TMouseEvent = std::function<void(void* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift,
                                       int x, int y)>;
using TMouseMoveEvent = std::function<void(void* sender, Qt::KeyboardModifiers shift, int x, int y)>;
// Key is a Qt key code; a handler that sets it to 0 keeps the viewer from acting on it.
using TKeyEvent = std::function<void(void* sender, int& key, Qt::KeyboardModifiers shift)>;
using TKeyPressEvent = std::function<void(void* sender, char& key)>;

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
