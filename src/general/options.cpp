#include "general/options.h"

namespace general {

void TOptions::SetFixedValues() {
    InvalidFileChars = "\"*/:<>?\\|";
    KnownExtensions = " .TXT .HTM .HTML .GIF .JPG .JPEG .PNG ";
    RenderableTypes = {"TEXT/HTML",  "TEXT/PLAIN", "IMAGE/BMP", "IMAGE/GIF",
                       "IMAGE/JPEG", "IMAGE/JPG",  "IMAGE/PNG"};
}

} // namespace general
