#include "platform/x11_title_linux.h"

#include <gtest/gtest.h>

#include <string>

namespace {
std::string Decode(const std::string& bytes, ETitleEncoding encoding, bool cutShort = false) {
    return DecodeWindowTitle(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), encoding, cutShort);
}

TEST(WindowTitleText, Latin1BecomesUtf8) {
    EXPECT_EQ(Decode("Caf\xE9 \xA9 \xFF", ETitleEncoding::Latin1), "Caf\xC3\xA9 \xC2\xA9 \xC3\xBF");
    EXPECT_EQ(Decode("plain", ETitleEncoding::Latin1), "plain");
}

TEST(WindowTitleText, WellFormedUtf8IsKept) {
    const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xEF\xBF\xBD\xF4\x8F\xBF\xBF";
    EXPECT_EQ(Decode(text, ETitleEncoding::Utf8), text);
}

TEST(WindowTitleText, EveryMalformedByteBecomesAQuestionMark) {
    EXPECT_EQ(Decode("a\x80z", ETitleEncoding::Utf8), "a?z");             // stray continuation byte
    EXPECT_EQ(Decode("\xC0\xAF", ETitleEncoding::Utf8), "??");            // overlong '/'
    EXPECT_EQ(Decode("\xE0\x80\xAF", ETitleEncoding::Utf8), "???");       // overlong, 3 bytes
    EXPECT_EQ(Decode("\xED\xA0\x80", ETitleEncoding::Utf8), "???");       // UTF-16 surrogate
    EXPECT_EQ(Decode("\xF4\x90\x80\x80", ETitleEncoding::Utf8), "????");  // above U+10FFFF
    EXPECT_EQ(Decode("\xF8\x88\x80\x80\x80", ETitleEncoding::Utf8), "?????");
    EXPECT_EQ(Decode("\xE2\x82x", ETitleEncoding::Utf8), "??x");    // sequence broken off
    EXPECT_EQ(Decode("ab\xE2\x82", ETitleEncoding::Utf8), "ab??");  // ... at the very end
}

TEST(WindowTitleText, ACharacterCutOffByAShortReadIsDropped) {
    EXPECT_EQ(Decode("ab\xE2\x82", ETitleEncoding::Utf8, true), "ab");
    EXPECT_EQ(Decode("ab\xF0\x9F\x98", ETitleEncoding::Utf8, true), "ab");
    // Only a well-formed beginning is dropped; a malformed end stays visible.
    EXPECT_EQ(Decode("ab\xE2x", ETitleEncoding::Utf8, true), "ab?x");
}

TEST(WindowTitleText, TheTitleEndsAtTheFirstNul) {
    EXPECT_EQ(Decode(std::string("ab\0cd", 5), ETitleEncoding::Utf8), "ab");
    EXPECT_EQ(Decode(std::string("\xE9\0\xE9", 3), ETitleEncoding::Latin1), "\xC3\xA9");
    EXPECT_EQ(DecodeWindowTitle(nullptr, 4, ETitleEncoding::Utf8, false), "");
}
}  // namespace
