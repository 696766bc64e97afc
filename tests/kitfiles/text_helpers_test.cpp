#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "kitfiles/text_helpers.h"

namespace {

std::string fileNameOf(const std::string& path) {
    char buffer[512];
    std::strcpy(buffer, path.c_str());
    FileNameOnly(buffer);
    return buffer;
}

TEST(SearchForSubstring, FindsFirstOccurrenceOrAnswersNegative) {
    EXPECT_EQ(SearchForSubstring("abc", "ab"), 0);
    EXPECT_EQ(SearchForSubstring("abc", "bc"), 1);
    EXPECT_EQ(SearchForSubstring("abc", "abcd"), -2);
    EXPECT_LT(SearchForSubstring("abc", "x"), 0);
    EXPECT_EQ(SearchForSubstring("abc", "x"), -1);
    // A partial match at the end runs out of room for the key.
    EXPECT_EQ(SearchForSubstring("xxab", "abc"), -2);
    EXPECT_EQ(SearchForSubstring("endend\"end\"", "\"end\""), 6);
    EXPECT_EQ(SearchForSubstring("", "a"), -2);
    EXPECT_EQ(SearchForSubstring("aaab", "ab"), 2);
}

TEST(SearchForChar, StopsAtTheEndOfTheText) {
    EXPECT_EQ(SearchForChar("a,b", 0, ','), 1);
    EXPECT_EQ(SearchForChar("a,b", 1, ','), 1);
    EXPECT_EQ(SearchForChar("a,b", 2, ','), -1);
    EXPECT_EQ(SearchForChar("a,b", 3, ','), -1);
    EXPECT_EQ(SearchForChar("a,b", 400, ','), -1);
    EXPECT_EQ(SearchForChar("a,b", -1, ','), -1);
}

TEST(ReadInt32FromArray, ReadsSignedDecimalsOnly) {
    EXPECT_EQ(ReadInt32FromArray("x-42,", 1), -42);
    EXPECT_EQ(ReadInt32FromArray("x-42,", 0), 0);
    EXPECT_EQ(ReadInt32FromArray("x-42,", 2), 42);
    EXPECT_EQ(ReadInt32FromArray("+5", 0), 0);
    EXPECT_EQ(ReadInt32FromArray(" 5", 0), 0);
    EXPECT_EQ(ReadInt32FromArray("-", 0), 0);
    EXPECT_EQ(ReadInt32FromArray("2147483647", 0), 2147483647);
    EXPECT_EQ(ReadInt32FromArray("-2147483648", 0), INT32_MIN);
    // Accumulated in 32 bits: longer numbers wrap rather than overflow.
    EXPECT_EQ(ReadInt32FromArray("4294967297", 0), 1);
    EXPECT_EQ(ReadInt32FromArray("12", 5), 0);
    EXPECT_EQ(ReadInt32FromArray("12", -3), 0);
}

TEST(FileNameOnly, KeepsTheNameWithoutAThreeLetterExtension) {
    EXPECT_EQ(fileNameOf("/Volumes/disk/kick.wav"), "kick");
    EXPECT_EQ(fileNameOf("/Volumes/disk/kick.aiff"), "kick.aiff");
    EXPECT_EQ(fileNameOf("/kick.wav"), "");
    EXPECT_EQ(fileNameOf("kick.wav"), "");
    EXPECT_EQ(fileNameOf("/////From Kv-7 import"), "From Kv-7 import");
    EXPECT_EQ(fileNameOf("C:\\x\\y.wav"), "y");
    EXPECT_EQ(fileNameOf("/a/Clap.WAV"), "Clap");
    EXPECT_EQ(fileNameOf("/a/Clap.flac"), "Clap.flac");
    EXPECT_EQ(fileNameOf("/a/a.b"), "a.b");
    EXPECT_EQ(fileNameOf(""), "");
    const std::string fifty(50, 'n');
    EXPECT_EQ(fileNameOf("/a/" + fifty + ".wav"), std::string(43, 'n'));
    // Cut to 43 characters first; a dot then fourth from the end still cuts.
    EXPECT_EQ(fileNameOf("/a/" + std::string(39, 'n') + ".abcdefgh"), std::string(39, 'n'));
    EXPECT_EQ(fileNameOf("/a/dir/"), "");
}

}  // namespace
