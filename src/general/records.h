// The plain records of a retrieval: the download in progress, the state of the current
// page retrieval and the local file of the image being handed to the viewer.
#pragma once

#include <cstdint>
#include <string>

namespace general {

struct TDownloadingFile {
    bool Active = false;
    std::string FileName;
};

struct THTTPThings {
    std::string Version;        // "HTTP/1.0"
    std::string Agent;          // "Webling 1.0"
    std::string Accept;         // "*/*"
    std::string AcceptEncoding; // empty
    std::string Spare;          // unused text slot kept for the record's shape
    std::string AcceptLanguage; // "*"
    std::string Header;         // response header, at most HeaderLimit characters
    std::string LocalFile;      // cache file receiving the body
    std::string Location;       // "Location" of the response
    std::string ContentType;    // "Content-Type" of the response
    int FileHandle = -1;        // open descriptor of LocalFile, -1 when closed
    int Status = 0;             // 302 when a Location arrived
    bool InHeader = false;      // still reading the header
    int64_t ReceivedBytes = 0;  // body bytes written so far
    int64_t ContentLength = -1; // from "Content-Length", -1 when absent
    TDownloadingFile Download;

    static constexpr size_t HeaderLimit = 4000;
};

struct TImagen {
    std::string ImageFile;
};

} // namespace general
