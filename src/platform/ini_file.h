// Read-only access to a sectioned INI file with the private-profile rules of the
// original desktop: a missing file, section or key gives the default, names compare
// without regard to case, the first occurrence wins, texts are cut to 1023 characters.
#pragma once

#include <string>
#include <vector>

namespace platform {

class TIniFile {
public:
    // Reads the whole file once; the program never writes it.
    explicit TIniFile(const std::string& fileName);

    const std::string& FileName() const { return FileName_; }

    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& def) const;
    // Decimal, or hexadecimal after "0x", "0X" or "$"; anything else gives the default.
    int ReadInteger(const std::string& section, const std::string& key, int def) const;
    // Read as an integer: 0 is false, any other number true, a non-number the default.
    bool ReadBool(const std::string& section, const std::string& key, bool def) const;

    // The longest value a read returns, as with a 1024-byte buffer and its terminator.
    static constexpr size_t MaxValueLength = 1023;

private:
    struct Entry {
        std::string section, key, value;
    };
    const std::string* find(const std::string& section, const std::string& key) const;

    std::string FileName_;
    std::vector<Entry> Entries;
};

// The integer rule of the INI reader, usable on its own: true and the value when Text is
// a whole 32-bit number in decimal or in hexadecimal ("0x", "0X" or "$").
bool ParseIntegerText(const std::string& text, int& value);

} // namespace platform
