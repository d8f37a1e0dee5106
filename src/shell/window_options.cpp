#include "shell/window_options.h"

#include "general/helpers.h"
#include "general/url.h"
#include "platform/ini_file.h"
#include "shell/access_rules.h"

namespace shell {

namespace {

// A per-user directory: the configured base, a separator, the user name, a separator.
std::string perUser(const platform::TIniFile& ini, const general::TOptions& o, const char* section, const char* key,
                    const char* leaf, bool& isDefault) {
    const std::string def = std::string(DefaultTree) + "/" + leaf;
    std::string dir = ini.ReadString(section, key, def);
    general::EnsureTrailingBackslash(dir);
    isDefault = dir == def + "/";
    return dir + o.UserName + "/";
}

void readRestrictions(general::TOptions& o, const TRestrictions& rules) {
    o.AllowedUrls = rules.AllowedUrls;
    o.DeniedUrls = rules.DeniedUrls;
    static_cast<general::TPermissions&>(o) = rules;
    o.AllowedProtocols.reset();
    if (o.AllowProtoHttp) o.AllowedProtocols.set(general::ProtoHttp);
    if (o.AllowProtoHttps) o.AllowedProtocols.set(general::ProtoHttps);
    if (o.AllowProtoMailto) o.AllowedProtocols.set(general::ProtoMailto);
    if (o.AllowProtoFile) o.AllowedProtocols.set(general::ProtoFile);
    if (o.AllowProtoFtp) o.AllowedProtocols.set(general::ProtoFtp);
}

} // namespace

TDefaultDirs ReadWindowOptions(general::TOptions& o, const platform::TIniFile& ini, const TRestrictions& rules) {
    TDefaultDirs defaults;
    o.UserDir = perUser(ini, o, "users", "usersrootdir", "users", defaults.Users);
    o.UsersRootDir = o.UserDir.substr(0, o.UserDir.size() - o.UserName.size() - 1);
    o.GoToMovedLocations = ini.ReadBool("main", "gotomovedlocations", true);
    o.AllowedUrlsFile = o.ProgramDir + "allowed_urls.dat";
    o.DeniedUrlsFile = o.ProgramDir + "denied_urls.dat";
    o.HomePage = ini.ReadString("main", "homepage", "file://" + o.ProgramDir + "home.html");
    o.LaunchMaximized = ini.ReadBool("main", "launchmaximized", false);
    o.LogOffAtExit = ini.ReadBool("main", "logoffatexit", false);
    o.TimeOut = ini.ReadInteger("main", "timeout", 10);
    o.MaxPageSize = ini.ReadInteger("main", "maxpagesize", general::DefaultMaxPageSize);
    if (o.MaxPageSize <= 0) o.MaxPageSize = general::DefaultMaxPageSize;
    o.PictureMemory = ini.ReadInteger("main", "picturememory", general::DefaultPictureMemoryMiB);
    o.TmpDir = perUser(ini, o, "tmp", "tmpdir", "tmp", defaults.Tmp);
    o.DelTmpFilesAtExit = ini.ReadBool("tmp", "deltmpfilesatexit", true);
    o.UseCache = ini.ReadBool("cache", "usecache", false);
    o.InternalImageCache = ini.ReadInteger("cache", "internalimagecache", 5);
    o.CacheDir = perUser(ini, o, "cache", "cachedir", "cache", defaults.Cache);
    o.DelCacheFilesAtExit = ini.ReadBool("cache", "delcachefilesatexit", true);
    o.AutoDelCacheFiles = ini.ReadBool("cache", "autodelcachefiles", false);
    o.MaxCacheFiles = ini.ReadInteger("cache", "maxcachefiles", 100);
    o.BookmarksFile = o.UserDir + "bookmarks.dat";
    o.FtpAnonymousUser = ini.ReadString("ftp", "ftpanonymoususer", "anonymous");
    o.FtpAnonymousPw = ini.ReadString("ftp", "ftpanonymouspw", "reader@nohost");
    o.SmtpServer = ini.ReadString("smtp", "smtpserver", "");
    o.SmtpPort = ini.ReadInteger("smtp", "smtpport", 25);
    o.ProxyServer = ini.ReadString("proxy", "proxyserver", "");
    // A proxy without a server would fail every page.
    o.UseProxy = ini.ReadBool("proxy", "useproxy", false) && !o.ProxyServer.empty();
    o.ProxyPort = ini.ReadInteger("proxy", "proxyport", 8080);
    o.CaFile = ini.ReadString("https", "cafile", "");
    readRestrictions(o, rules);
    o.HTTPThings.Version = "HTTP/1.0";
    o.HTTPThings.Agent = "Webling 1.0";
    o.HTTPThings.Accept = "*/*";
    o.HTTPThings.AcceptEncoding.clear();
    o.HTTPThings.Spare.clear();
    o.HTTPThings.AcceptLanguage = "*";
    return defaults;
}

} // namespace shell
