// The parsed address record and its parser: a small character state machine that knows
// a handful of scheme words, fills in default ports and paths, inherits missing parts
// from the base record and rebuilds the canonical address text (the cache key and the
// text compared with the access lists).
#pragma once

#include <cstdint>
#include <string>

namespace general {

// Request methods kept in TRECURL::Method.
constexpr uint8_t MethodNone = 0;
constexpr uint8_t MethodGet = 1;
constexpr uint8_t MethodPost = 2;

// Protocol numbers.
constexpr uint8_t ProtoOther = 0;
constexpr uint8_t ProtoHttp = 1;
constexpr uint8_t ProtoHttps = 2;
constexpr uint8_t ProtoFile = 3;
constexpr uint8_t ProtoFtp = 4;
constexpr uint8_t ProtoMailto = 5;
constexpr uint8_t ProtoWaiss = 6;
constexpr uint8_t ProtoNews = 7;

struct TRECURL {
    std::string Url;      // FILE: the text as given; otherwise Protocol://Host:Port/Path
    std::string Protocol; // scheme word as written, or upper case from a prefix without "://"
    std::string Host;     // MAILTO: everything after the scheme word and its colon
    std::string Port;     // text, not necessarily a number
    std::string Dir;      // FILE only: directory part of Path, ending with a separator
    std::string Path;     // with the query; HTTP and FTP paths begin with "/"
    std::string Fragment; // after "#", without it
    // Owned by navigation; the parser never touches these three.
    std::string PostData;
    uint8_t Method = MethodNone;
    int32_t PostDataLength = 0;
};

uint8_t ProtocolNumber(const std::string& word);

// An absolute path without empty, "." and ".." segments ("/a/./b//../c" is "/a/c"); a path
// that named a directory keeps its final "/".
std::string NormalisedPath(const std::string& path);

// Parses Address against Base into Result and returns the protocol number. Base is taken
// by value, so Result may be the base record itself.
uint8_t ParseUrl(const std::string& address, TRECURL& result, TRECURL base);

} // namespace general
