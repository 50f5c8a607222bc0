#include "pms/json_writer.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "platform/text.h"

namespace {
std::string Write(const char* text) {
    CJsonWriter counter(nullptr, 0);
    counter.String(text);
    std::vector<char> out(counter.Length() + 1);
    CJsonWriter writer(out.data(), counter.Length());
    writer.String(text);
    EXPECT_TRUE(writer.Fits());
    return out.data();
}

TEST(JsonWriter, StringsHoldingQuotesBackslashesAndControlCharactersParseBackIntact) {
    std::string every;
    for (int c = 1; c < 128; ++c)
        every += static_cast<char>(c);
    for (const std::string& text : {std::string("pa\"ss\\word"), std::string("\",\"admin\":true,\"x\":\""), every}) {
        const nlohmann::json parsed = nlohmann::json::parse(Write(text.c_str()), nullptr, false);
        ASSERT_TRUE(parsed.is_string()) << text;
        EXPECT_EQ(parsed.get<std::string>(), text);
    }
    EXPECT_EQ(Write(nullptr), "\"\"");
    EXPECT_EQ(Write("a\nb\x01"), "\"a\\nb\\u0001\"");
}

TEST(JsonWriter, NarrowTextIsWrittenAsUtf8) {
    // "Café" in this system's narrow text (one ANSI byte for "é" on Windows).
    char narrow[16];
    ASSERT_GT(Utf8ToAnsi("Caf\xC3\xA9", narrow, sizeof(narrow)), 0);
    EXPECT_EQ(Write(narrow), "\"Caf\xC3\xA9\"");
}

TEST(JsonWriter, OnlyWellFormedUtf8IsValid) {
    for (const char* good : {"", "plain", "caf\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xF4\x8F\xBF\xBF"})
        EXPECT_TRUE(IsValidUtf8(good)) << good;
    // A lone Latin-1 byte, a cut sequence, a stray continuation, overlong
    // forms, a surrogate, and a code point above U+10FFFF.
    for (const char* bad :
         {"caf\xE9", "\xE2\x82", "\x80", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80"})
        EXPECT_FALSE(IsValidUtf8(bad)) << bad;
}

TEST(JsonWriter, StopsAtTheEndOfItsBufferAndStillCountsTheWholeText) {
    char out[8];
    CJsonWriter writer(out, 5);
    writer.Raw("{\"a\":").String("long value").Raw("}");
    EXPECT_FALSE(writer.Fits());
    EXPECT_EQ(writer.Length(), 18u);
    EXPECT_STREQ(out, "{\"a\":");

    CJsonWriter exact(out, 7);
    exact.String("abcde");
    EXPECT_TRUE(exact.Fits());
    EXPECT_STREQ(out, "\"abcde\"");
}
}  // namespace
