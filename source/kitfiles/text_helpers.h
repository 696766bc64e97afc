// Scanning helpers for the kit metadata text and slot paths: free functions over zero-terminated
// 8-bit strings. None of them reads past the terminating zero.
#pragma once

#include <cstdint>

// Index of the first occurrence of key in text. Negative when absent: -2 when text is shorter than
// key or the scan ran out of room for a whole key, -1 when the key's first character is not found.
int32_t SearchForSubstring(const char* text, const char* key);

// Index of the first c at or after start; -1 when there is none or start is not inside the text.
int32_t SearchForChar(const char* text, int32_t start, char c);

// The signed decimal integer at index: an optional '-' then digits, accumulated in 32-bit
// arithmetic (wrapping). 0 when no digit stands where the digits should begin.
int32_t ReadInt32FromArray(const char* text, int32_t index);

// Turns path, in place, into the name a slot label shows: the text after the last '/' or '\',
// at most 43 characters, without a three-letter extension; empty when the path holds fewer than
// two separators.
void FileNameOnly(char* path);
