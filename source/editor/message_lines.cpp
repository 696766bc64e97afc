#include "editor/message_lines.h"

#include <algorithm>

namespace {

constexpr std::size_t kLineLength = 140;

// A UTF-8 continuation byte: a line must not begin with one.
bool insideCharacter(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

std::vector<std::string> messageLines(std::string_view text, const std::function<double(const std::string&)>& widthOf,
                                      double maxWidth) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::string line(text.substr(start, kLineLength));
        if (widthOf(line) <= maxWidth) {
            lines.push_back(line);
            start += line.size();
            continue;
        }
        // The longest run of whole words that fits; the space it ends at is not drawn.
        std::size_t end = 0;
        for (std::size_t space = line.find(' ', 1); space != std::string::npos; space = line.find(' ', space + 1)) {
            if (widthOf(line.substr(0, space)) > maxWidth) break;
            end = space;
        }
        if (end > 0) {
            lines.push_back(line.substr(0, end));
            start += end + 1;
            continue;
        }
        // No space to break at: as many characters as fit, at least one.
        std::size_t fits = 1;
        while (fits < line.size() && insideCharacter(line[fits])) ++fits;
        for (std::size_t next = fits + 1; next <= line.size(); ++next) {
            if (next < line.size() && insideCharacter(line[next])) continue;
            if (widthOf(line.substr(0, next)) > maxWidth) break;
            fits = next;
        }
        lines.push_back(line.substr(0, fits));
        start += fits;
    }
    return lines;
}
