// Any byte string scans to symEof or to the one documented EParseError, in every mode
// the builder uses, with and without an include handler.
#include "html/color_value.h"
#include "html/parse_error.h"
#include "html/symbol_dump.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    html::DumpSymbols(text);
    html::DumpSymbols(
        text, [](const std::string& command, std::vector<std::string> params, std::string& buffer) {
            buffer = command + (params.empty() ? std::string() : params.front()) + "<!-- x";
        });

    // The builder's PRE loop: characters walked one by one, tags through NextSymbol.
    html::TScanner s;
    try {
        s.StartBuffer(text);
        s.Preformatted = true;
        while (!s.AtEof()) {
            if (s.Ch() == '<' || s.Ch() == '&')
                s.NextSymbol();
            else
                s.NextChar();
        }
    } catch (const html::EParseError&) {
    }

    std::string colour(text.substr(0, 16));
    platform::TColor c = 0;
    html::ColorFromString(colour, c);
    return 0;
}
