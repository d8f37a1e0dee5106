// A block of bytes with a read position: the form in which pictures reach the loaders
// (a local file read whole, or the body an image request handler delivers).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace image {

class TMemoryStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::string data) : Bytes(std::move(data)) {}

    const std::string& Data() const { return Bytes; }
    void SetData(std::string data) {
        Bytes = std::move(data);
        Pos = 0;
    }
    const uint8_t* Memory() const { return reinterpret_cast<const uint8_t*>(Bytes.data()); }
    size_t Size() const { return Bytes.size(); }
    bool Empty() const { return Bytes.empty(); }

    size_t Position() const { return Pos; }
    // A position past the end is clamped to the end.
    void Seek(size_t position) { Pos = position < Bytes.size() ? position : Bytes.size(); }
    // Copies up to Count bytes from the position onwards; returns how many were copied.
    size_t Read(void* buffer, size_t count);

private:
    std::string Bytes;
    size_t Pos = 0;
};

} // namespace image
