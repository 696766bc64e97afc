#include "kitfiles/kit_metadata_text.h"

#include <cstdio>
#include <cstring>

#include "kitfiles/text_helpers.h"

namespace kitfiles {

namespace {

// "#" stands for a double quote in these pieces; it is replaced before the text is written.
constexpr const char* kPieces[7] = {
    "kv-7{#drum_version#:1,#type#:#drum#,#name#:#user#,#octave#:0,#pitch#:[",
    "],#start#:[",
    "],#end#:[",
    "],#playmode#:[",
    "],#reverse#:[",
    "],#volume#:[",
    "],#dyna_env#:[0,8192,0,8192,0,0,0,0],#fx_active#:false,#fx_type#:#delay#,"
    "#fx_params#:[8000,8000,8000,8000,8000,8000,8000,8000],#lfo_active#:false,#lfo_type#:#tremolo#,"
    "#lfo_params#:[16000,16000,16000,16000,0,0,0,0]}",
};

// Formats as the instrument's writer does ("%7d" or "%10i") and keeps only digits and, where
// allowed, the minus sign, so no padding space reaches the text.
void appendValue(std::string& text, int32_t value, bool wide, bool keepMinus) {
    char formatted[24];
    std::snprintf(formatted, sizeof formatted, wide ? "%10i" : "%7d", value);
    for (const char* c = formatted; *c; ++c)
        if ((*c >= '0' && *c <= '9') || (keepMinus && *c == '-')) text += *c;
}

void appendList(std::string& text, const int32_t (&list)[kNumSlots], bool wide, bool keepMinus) {
    for (int32_t slot = 0; slot < kNumSlots; ++slot) {
        appendValue(text, list[slot], wide, keepMinus);
        if (slot < kNumSlots - 1) text += ',';
    }
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

void readList(const char* text, int32_t length, const char* key, int32_t offset, bool signedValues,
              int32_t (&list)[kNumSlots]) {
    int64_t position = static_cast<int64_t>(SearchForSubstring(text, key)) + offset;
    for (int32_t slot = 0; slot < kNumSlots; ++slot) {
        int64_t digit = position < 0 ? 0 : position;
        while (digit < length && !isDigit(text[digit])) ++digit;
        if (digit >= length) {
            list[slot] = 0;
            digit = length;
        } else if (signedValues && digit > 0 && text[digit - 1] == '-') {
            list[slot] = ReadInt32FromArray(text, static_cast<int32_t>(digit - 1));
        } else {
            list[slot] = ReadInt32FromArray(text, static_cast<int32_t>(digit));
        }
        // With no comma after the number, the next one is read from the beginning of the text.
        position = static_cast<int64_t>(SearchForChar(text, static_cast<int32_t>(digit + 1), ',')) + 1;
    }
}

}  // namespace

void padKitMetadataText(std::string& text) { text.append(text.size() % 4, ' '); }

std::string buildKitMetadataText(const KitTextValues& values) {
    std::string text;
    text.reserve(1500);
    text += kPieces[0];
    appendList(text, values.pitch, false, true);
    text += kPieces[1];
    appendList(text, values.start, true, false);
    text += kPieces[2];
    appendList(text, values.end, true, false);
    text += kPieces[3];
    appendList(text, values.playMode, false, true);
    text += kPieces[4];
    appendList(text, values.reverse, false, true);
    text += kPieces[5];
    appendList(text, values.volume, false, false);
    text += kPieces[6];
    for (char& c : text)
        if (c == '#') c = '"';
    padKitMetadataText(text);
    return text;
}

KitTextReading readKitMetadataText(const char* text) {
    KitTextReading reading;
    const auto length = static_cast<int32_t>(std::strlen(text));
    reading.newVersion = SearchForSubstring(text, "drum_version") >= 0;
    readList(text, length, "pitch", 8, true, reading.values.pitch);
    readList(text, length, "playmode", 11, false, reading.values.playMode);
    readList(text, length, "reverse", 10, false, reading.values.reverse);
    readList(text, length, "volume", 9, false, reading.values.volume);
    reading.startKeyIndex = SearchForSubstring(text, "start");
    readList(text, length, "start", 8, false, reading.values.start);
    readList(text, length, "\"end\"", 7, false, reading.values.end);
    return reading;
}

}  // namespace kitfiles
