// The one failure of the scanner: the input ended inside a comment. The parse stops;
// the sections built so far stay in the document.
#pragma once

#include "platform/exception.h"

namespace html {

class EParseError : public platform::Exception {
public:
    using platform::Exception::Exception;
};

inline constexpr const char* OpenCommentMessage = "Open Comment at End of HTML File";

} // namespace html
