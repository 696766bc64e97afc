#include "vstgui/platform/x11/urilist.h"

#include <unistd.h>

#include <cctype>
#include <climits>
#include <sstream>

namespace VSTGUI {
namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string percentDecoded(const std::string& text) {
    std::string decoded;
    decoded.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const int high = hexValue(text[i + 1]);
            const int low = hexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                decoded.push_back(static_cast<char>(high * 16 + low));
                i += 2;
                continue;
            }
        }
        decoded.push_back(text[i]);
    }
    return decoded;
}

bool startsWithNoCase(const std::string& text, const char* prefix) {
    for (size_t i = 0; prefix[i]; ++i)
        if (i >= text.size() || std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    return true;
}

}  // namespace

std::vector<std::string> localPathsFromUriList(const std::string& uriList, const std::string& thisHost) {
    std::vector<std::string> paths;
    std::istringstream lines(uriList);
    std::string line;
    while (std::getline(lines, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == '\0' || line.back() == ' ')) line.pop_back();
        if (line.empty() || line[0] == '#' || !startsWithNoCase(line, "file:")) continue;
        std::string rest = line.substr(5);
        if (rest.rfind("//", 0) == 0) {
            const size_t slash = rest.find('/', 2);
            if (slash == std::string::npos) continue;
            const std::string host = rest.substr(2, slash - 2);
            if (!host.empty() && host != "localhost" && host != thisHost) continue;
            rest = rest.substr(slash);
        }
        if (rest.empty() || rest[0] != '/') continue;
        const std::string path = percentDecoded(rest);
        // A NUL inside would cut the path short of what was dragged.
        if (path.find('\0') != std::string::npos) continue;
        paths.push_back(path);
    }
    return paths;
}

std::string localHostName() {
    char name[HOST_NAME_MAX + 1] = {};
    if (gethostname(name, sizeof name - 1) != 0) return {};
    return name;
}

}  // namespace VSTGUI
