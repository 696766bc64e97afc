// Copying a text into a fixed buffer, cut to what the buffer holds.
#pragma once

#include <cstddef>
#include <cstring>

template <std::size_t Size>
void copyCut(char (&destination)[Size], const char* text) {
    const std::size_t length = text ? strnlen(text, Size - 1) : 0;
    std::memcpy(destination, text ? text : "", length);
    destination[length] = '\0';
}
