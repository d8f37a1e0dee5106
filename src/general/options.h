// The per-window configuration and state record, filled from webling.ini when a browser
// window is set up. Each window owns one; nothing of it is shared between windows.
#pragma once

#include "general/records.h"
#include "platform/ini_file.h"

#include <bitset>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace general {

// What the administrator's [restrictions] permit. The program reads them once (the shell's
// TRestrictions) and every window's record takes that copy.
struct TPermissions {
    bool AllowProtoHttp = true, AllowProtoHttps = true, AllowProtoFtp = true,
         AllowProtoMailto = true, AllowProtoFile = true;
    bool AllowSeeMainMenuBookmarks = true, AllowSeeMainMenuEdit = true,
         AllowSeeMainMenuTools = true, AllowSeeMenuEditBookmarks = true, AllowQuitProxy = true,
         AllowViewImages = true;
};

// The defaults of [main] maxpagesize and picturememory.
constexpr int32_t DefaultMaxPageSize = 64 << 20;
constexpr int32_t DefaultPictureMemoryMiB = 512;

struct TOptions : TPermissions {
    std::string HomePage;
    bool LaunchMaximized = false;
    bool LogOffAtExit = false;
    int32_t TimeOut = 10;
    // A page (not a download) that grows past this many bytes is given up.
    int64_t MaxPageSize = DefaultMaxPageSize;
    // MiB that the decoded pictures of one page may take together.
    int32_t PictureMemory = DefaultPictureMemoryMiB;
    bool GoToMovedLocations = true;
    std::bitset<8> AllowedProtocols; // protocol numbers 0..7
    // A PEM file of authorities trusted beside the system's ([https] cafile).
    std::string CaFile;
    std::string TmpDir; // ends with "/"
    bool DelTmpFilesAtExit = true;
    std::string CacheDir; // ends with "/"
    int32_t MaxCacheFiles = 100;
    int32_t InternalImageCache = 5;
    bool UseCache = false; // read and kept; nothing consults it
    bool DelCacheFilesAtExit = true;
    bool AutoDelCacheFiles = false;
    std::string SmtpServer;
    int32_t SmtpPort = 25;
    std::string BookmarksFile;
    std::vector<std::string> Bookmarks;
    std::string FtpAnonymousUser;
    std::string FtpAnonymousPw;
    bool UseProxy = false;
    std::string ProxyServer;
    int32_t ProxyPort = 8080;
    std::string UsersRootDir; // ends with "/"
    std::string InvalidFileChars;
    std::string KnownExtensions;
    std::vector<std::string> RenderableTypes;
    std::string UserName;
    std::string AllowedUrlsFile;
    std::string DeniedUrlsFile;
    std::string ProgramDir; // ends with "/"
    std::string IniFileName;
    std::string UserDir; // ends with "/"
    std::vector<std::string> AllowedUrls;
    std::vector<std::string> DeniedUrls;
    std::unique_ptr<platform::TIniFile> IniFile;
    TImagen Imagen;
    THTTPThings HTTPThings;

    // The fixed values every window gets before reading its configuration.
    void SetFixedValues();
};

} // namespace general
