#include "shell/access_rules.h"

#include "general/options.h"
#include "platform/text.h"
#include "platform/files.h"

namespace shell {

std::vector<std::string> LoadUrlList(const std::string& fileName) {
    std::vector<std::string> lines;
    std::string data;
    if (!platform::ReadWholeFile(fileName, data) || data.empty()) return lines;
    size_t start = 0;
    for (size_t i = 0; i < data.size(); ++i) {
        if (data[i] != '\r' && data[i] != '\n') continue;
        lines.push_back(data.substr(start, i - start));
        if (data[i] == '\r' && i + 1 < data.size() && data[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < data.size()) lines.push_back(data.substr(start));
    return lines;
}

bool IsUrlAllowed(const std::string& url, const general::TOptions& options) {
    const std::string u = platform::UpperCase(url);
    auto matches = [&](const std::string& entry) {
        return !entry.empty() && u.starts_with(platform::UpperCase(entry));
    };
    for (const std::string& e : options.DeniedUrls)
        if (matches(e)) return false;
    for (const std::string& e : options.AllowedUrls)
        if (matches(e)) return true;
    return true;
}

} // namespace shell
