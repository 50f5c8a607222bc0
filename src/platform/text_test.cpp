#include "platform/text.h"

#include <gtest/gtest.h>

#include <string>

namespace {
// "é" in this target's narrow text: one ANSI byte on Windows, two UTF-8 bytes on Linux.
#ifdef _WIN32
const std::string kAccent = "\xE9";
#else
const std::string kAccent = "\xC3\xA9";
#endif

TEST(TextCut, KeepsWholeCharactersOnly) {
    const std::string text = "ab" + kAccent + "c";
    EXPECT_EQ(TextCutLength(text.c_str(), 100), text.size());
    EXPECT_EQ(TextCutLength(text.c_str(), 2), 2u);
    EXPECT_EQ(TextCutLength(text.c_str(), 2 + kAccent.size()), 2 + kAccent.size());
    // A limit that ends inside the accent (or just before it) keeps "ab".
    EXPECT_EQ(TextCutLength(text.c_str(), 1 + kAccent.size()), 2u);
    EXPECT_EQ(TextCutLength(nullptr, 5), 0u);
    char out[8];
    EXPECT_EQ(CopyTextCut(out, text.c_str(), 3), kAccent.size() == 1 ? 3u : 2u);
    EXPECT_EQ(std::string(out), text.substr(0, kAccent.size() == 1 ? 3 : 2));
}

TEST(TextConversion, AnsiToUtf8AndBackRoundTrips) {
    const std::string ansi = "Caf" + kAccent;
    char utf8[16], back[16];
    ASSERT_EQ(AnsiToUtf8(ansi.c_str(), utf8, sizeof(utf8)), 5);
    EXPECT_EQ(std::string(utf8), "Caf\xC3\xA9");
    ASSERT_EQ(Utf8ToAnsi(utf8, back, sizeof(back)), static_cast<int>(ansi.size()));
    EXPECT_EQ(std::string(back), ansi);
}

TEST(TextConversion, OutputIsCutOnACharacterBoundary) {
    const std::string ansi = "Caf" + kAccent;
    char utf8[5];
    EXPECT_EQ(AnsiToUtf8(ansi.c_str(), utf8, sizeof(utf8)), 3);
    EXPECT_EQ(std::string(utf8), "Caf");
    EXPECT_EQ(AnsiToUtf8(nullptr, utf8, sizeof(utf8)), 0);
    EXPECT_EQ(AnsiToUtf8("x", utf8, 0), 0);
}
}  // namespace
