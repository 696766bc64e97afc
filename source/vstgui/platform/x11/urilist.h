// The text/uri-list format of drag data: one URI per line (CR LF between lines), '#' comment lines.
#pragma once

#include <string>
#include <vector>

namespace VSTGUI {

// The local file paths of the list, percent-decoded, in order. Entries that are not file URIs, or
// that name another host than this one, are skipped.
std::vector<std::string> localPathsFromUriList(const std::string& uriList, const std::string& thisHost);

// This machine's host name, as file URIs may carry it.
std::string localHostName();

}  // namespace VSTGUI
