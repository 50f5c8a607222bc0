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
