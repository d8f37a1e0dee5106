// A byte stream with a position, as the buffered sockets' pumps read and write them.
#pragma once

#include <cstdint>
#include <string>

namespace net {

class TStream {
public:
    virtual ~TStream() = default;
    // Reads or writes up to Count bytes at the position, which advances; returns the count.
    virtual int Read(char* buffer, int count) = 0;
    virtual int Write(const char* buffer, int count) = 0;
    virtual int64_t Position() const = 0;
    virtual int64_t Size() const = 0;
};

// A stream over bytes held in memory.
class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::string data) : Data(std::move(data)) {}
    int Read(char* buffer, int count) override;
    int Write(const char* buffer, int count) override;
    int64_t Position() const override { return Pos; }
    int64_t Size() const override { return static_cast<int64_t>(Data.size()); }
    void Seek(int64_t pos) { Pos = pos; }

    std::string Data;

private:
    int64_t Pos = 0;
};

} // namespace net
