#include "kitfiles/text_helpers.h"

#include <cstring>

namespace {

constexpr std::size_t kMaxNameLength = 43;

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isSeparator(char c) { return c == '/' || c == '\\'; }

}  // namespace

int32_t SearchForSubstring(const char* text, const char* key) {
    const auto length = static_cast<int64_t>(std::strlen(text));
    const auto keyLength = static_cast<int64_t>(std::strlen(key));
    if (length < keyLength) return -2;
    int64_t scanStart = 0;
    for (;;) {
        if (scanStart >= length) return -1;
        const void* found = std::memchr(text + scanStart, key[0], static_cast<std::size_t>(length - scanStart));
        if (!found || keyLength == 0) return keyLength == 0 ? static_cast<int32_t>(scanStart) : -1;
        const int64_t i = static_cast<const char*>(found) - text;
        if (i + keyLength <= length && std::memcmp(text + i, key, static_cast<std::size_t>(keyLength)) == 0)
            return static_cast<int32_t>(i);
        scanStart = i + 1;
        if (scanStart >= length - keyLength + 1) return -2;
    }
}

int32_t SearchForChar(const char* text, int32_t start, char c) {
    const auto length = static_cast<int64_t>(std::strlen(text));
    if (start < 0 || start >= length) return -1;
    const void* found = std::memchr(text + start, c, static_cast<std::size_t>(length - start));
    return found ? static_cast<int32_t>(static_cast<const char*>(found) - text) : -1;
}

int32_t ReadInt32FromArray(const char* text, int32_t index) {
    if (index < 0) return 0;
    // Never step over the terminating zero, whatever index the caller computed.
    if (static_cast<std::size_t>(index) > std::strlen(text)) return 0;
    const bool negative = text[index] == '-';
    const char* digits = text + index + (negative ? 1 : 0);
    if (!isDigit(*digits)) return 0;
    uint32_t value = 0;
    for (; isDigit(*digits); ++digits) value = value * 10u + static_cast<uint32_t>(*digits - '0');
    if (negative) value = 0u - value;
    return static_cast<int32_t>(value);
}

void FileNameOnly(char* path) {
    const std::size_t length = std::strlen(path);
    if (length == 0) return;
    const char* last = nullptr;
    int separators = 0;
    for (std::size_t i = 0; i < length; ++i) {
        if (isSeparator(path[i])) {
            last = path + i;
            ++separators;
        }
    }
    if (separators < 2) {
        path[0] = '\0';
        return;
    }
    char name[kMaxNameLength + 1];
    std::size_t nameLength = std::strlen(last + 1);
    if (nameLength > kMaxNameLength) nameLength = kMaxNameLength;
    std::memcpy(name, last + 1, nameLength);
    name[nameLength] = '\0';
    if (nameLength >= 4 && name[nameLength - 4] == '.') name[nameLength - 4] = '\0';
    std::strcpy(path, name);  // the name is never longer than the path it came from
}
