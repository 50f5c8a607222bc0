#include "platform/registry_file.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/registry.h"

namespace {
const char kKey[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Belvane\\Orvanta";
const std::string kHeader = "Windows Registry Editor Version 5.00\r\n";

int Parse(CRegistryFile& file, const std::string& text) { return file.Parse(text.data(), text.size()); }

// A value's type and bytes as "type:bytes".
std::string Typed(uint32_t type, const std::string& bytes) { return std::to_string(type) + ":" + bytes; }

// A string value's bytes: its text and the terminating NUL.
std::string Terminated(const std::string& text) { return text + '\0'; }

// The value found as Typed gives it, or "missing".
std::string Found(const CRegistryFile& file, const char* key, const char* name) {
    const CRegistryFile::Value* value = file.FindValue(key, name);
    if (!value) return "missing";
    return Typed(value->type, std::string(value->data.begin(), value->data.end()));
}

TEST(RegistryFile, ReadsEveryValueKindOfAnExport) {
    CRegistryFile file;
    ASSERT_EQ(Parse(file, std::string("\xEF\xBB\xBF") + kHeader +
                              "\r\n"
                              "; settings of the collector\r\n"
                              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Belvane\\Orvanta]\r\n"
                              "\"Path\"=\"C:\\\\Program Files\\\\Orvanta\\\\\"\r\n"
                              "\"Quote\"=\"say \\\"hi\\\"\"\r\n"
                              "\"Empty\"=\"\"\r\n"
                              "@=\"default\"\r\n"
                              "\"First Start\"=dword:0000002a\r\n"
                              "\"Short\"=dword:1\r\n"
                              "\"Max\"=dword:FFFFFFFF\r\n"
                              "\"JIRA Username\"=hex:61,62,\\\r\n"
                              "  63,00,ff\r\n"
                              "\"Nothing\"=hex:\r\n"
                              "\"Lines\"=hex(7):41,00,00\r\n"),
              1);
    EXPECT_EQ(Found(file, kKey, "Path"), Typed(1, Terminated("C:\\Program Files\\Orvanta\\")));
    EXPECT_EQ(Found(file, kKey, "Quote"), Typed(1, Terminated("say \"hi\"")));
    EXPECT_EQ(Found(file, kKey, "Empty"), Typed(1, std::string(1, '\0')));
    EXPECT_EQ(Found(file, kKey, ""), Typed(1, Terminated("default")));
    EXPECT_EQ(Found(file, kKey, "First Start"), Typed(4, std::string("\x2a\0\0\0", 4)));
    EXPECT_EQ(Found(file, kKey, "Short"), Typed(4, std::string("\x01\0\0\0", 4)));
    EXPECT_EQ(Found(file, kKey, "Max"), Typed(4, "\xFF\xFF\xFF\xFF"));
    EXPECT_EQ(Found(file, kKey, "JIRA Username"), Typed(3, std::string("abc\0\xFF", 5)));
    EXPECT_EQ(Found(file, kKey, "Nothing"), Typed(3, ""));
    EXPECT_EQ(Found(file, kKey, "Lines"), Typed(7, std::string("A\0\0", 3)));
    EXPECT_EQ(Found(file, kKey, "Other"), "missing");
}

TEST(RegistryFile, AcceptsLfLinesAndBlanksAroundTheParts) {
    CRegistryFile file;
    ASSERT_EQ(Parse(file,
                    "Windows Registry Editor Version 5.00\n"
                    "  [HKEY_LOCAL_MACHINE\\SOFTWARE\\Belvane\\Orvanta]  \n"
                    "\t\"Language\" = \"ru-RU\"   \n"
                    "\"Bytes\"= hex: 01 , 02,\\   \n"
                    "\t03\n"
                    "\"Level\" =dword:3"),
              1);
    EXPECT_EQ(Found(file, kKey, "Language"), Typed(1, Terminated("ru-RU")));
    EXPECT_EQ(Found(file, kKey, "Bytes"), Typed(3, "\x01\x02\x03"));
    EXPECT_EQ(Found(file, kKey, "Level"), Typed(4, std::string("\x03\0\0\0", 4)));
}

TEST(RegistryFile, KeysAndNamesIgnoreCaseAndAKeyExistsThroughItsSubkeys) {
    CRegistryFile file;
    ASSERT_EQ(
        Parse(file, kHeader + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Belvane\\Orvanta\\PMS]\r\n\"PMS Value\"=dword:7\r\n"), 1);
    EXPECT_EQ(Found(file, "hkey_local_machine\\software\\belvane\\orvanta\\pms", "pms value"),
              Typed(4, std::string("\x07\0\0\0", 4)));
    EXPECT_TRUE(file.HasKey(kKey));
    EXPECT_TRUE(file.HasKey("HKEY_LOCAL_MACHINE\\SOFTWARE"));
    EXPECT_FALSE(file.HasKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\Belvane\\Orvant"));
    EXPECT_FALSE(file.HasKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\Belvane\\Orvanta\\PMS\\More"));
    EXPECT_FALSE(file.HasKey(""));
    // A parent exists, but holds no values of its subkey.
    EXPECT_EQ(Found(file, kKey, "PMS Value"), "missing");
}

TEST(RegistryFile, LaterLinesReplaceAndRemoveEarlierOnes) {
    CRegistryFile file;
    ASSERT_EQ(Parse(file, kHeader + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Belvane\\Orvanta]\r\n"
                                    "\"A\"=\"first\"\r\n"
                                    "\"B\"=dword:1\r\n"
                                    "\"C\"=dword:2\r\n"
                                    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Belvane\\Orvanta\\PMS]\r\n"
                                    "\"D\"=dword:3\r\n"
                                    "[hkey_local_machine\\software\\belvane\\orvanta]\r\n"
                                    "\"a\"=\"second\"\r\n"
                                    "\"B\"=-\r\n"
                                    "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Belvane\\Orvanta\\PMS]\r\n"
                                    "\"Dropped\"=dword:4\r\n"),
              1);
    EXPECT_EQ(Found(file, kKey, "A"), Typed(1, Terminated("second")));
    EXPECT_EQ(Found(file, kKey, "B"), "missing");
    EXPECT_EQ(Found(file, kKey, "C"), Typed(4, std::string("\x02\0\0\0", 4)));
    EXPECT_FALSE(file.HasKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\Belvane\\Orvanta\\PMS"));
    EXPECT_TRUE(file.HasKey(kKey));
}

TEST(RegistryFile, ReadsTheUtf16ExportsOfWindows) {
    const std::string text =
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\X]\r\n\"Name\"=\"Caf\xC3\xA9 "
        "\xF0\x9F\x98\x80\"\r\n";
    // UTF-16LE with its byte-order mark: é is U+00E9, the emoji a surrogate pair.
    std::string utf16 = "\xFF\xFE";
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == 0xC3) {
            utf16 += std::string("\xE9\x00", 2);
            ++i;
        } else if (c == 0xF0) {
            utf16 += std::string("\x3D\xD8\x00\xDE", 4);
            i += 3;
        } else {
            utf16 += std::string(1, static_cast<char>(c)) + '\0';
        }
    }
    CRegistryFile file;
    ASSERT_EQ(Parse(file, utf16), 1);
    EXPECT_EQ(Found(file, "HKEY_LOCAL_MACHINE\\X", "Name"), Typed(1, Terminated("Caf\xC3\xA9 \xF0\x9F\x98\x80")));

    EXPECT_EQ(Parse(file, utf16 + "A"), 0);                                 // an odd number of bytes
    EXPECT_EQ(Parse(file, utf16 + std::string("\x00\xDC", 2)), 0);          // a lone low surrogate
    EXPECT_EQ(Parse(file, utf16 + std::string("\x3D\xD8\x41\x00", 4)), 0);  // a high one without its partner
}

TEST(RegistryFile, AnyMalformedLineRejectsTheWholeFile) {
    const char* const kBadLines[] = {
        "\"A\"=\"unterminated",
        "\"A\"=\"bad \\n escape\"",
        "\"A\"=\"text\" junk",
        "\"A\"=dword:123456789",
        "\"A\"=dword:12g4",
        "\"A\"=dword:",
        "\"A\"=qword:1",
        "\"A\"=hex:zz",
        "\"A\"=hex:123",
        "\"A\"=hex:01;02",
        "\"A\"=hex(7:01",
        "\"A\"=hex()",
        "\"A\"=hex:01,\\ 02",
        "\"A\"=hex:01,\\",  // a continuation at the end of the file
        "\"A\"=",
        "\"A\" \"B\"",
        "A=\"no quotes\"",
        "\"A",
        "[HKEY_LOCAL_MACHINE\\X",
        "[]",
        "[-]",
        "[HKEY_LOCAL_MACHINE\\\\X]",
        "[HKEY_LOCAL_MACHINE\\X\\]",
        "[\\HKEY_LOCAL_MACHINE]",
        "stray text",
    };
    for (const char* line : kBadLines) {
        CRegistryFile file;
        ASSERT_EQ(Parse(file, kHeader + "[HKEY_LOCAL_MACHINE\\X]\r\n\"Kept\"=dword:1\r\n"), 1);
        EXPECT_EQ(Parse(file, kHeader + "[HKEY_LOCAL_MACHINE\\X]\r\n\"Kept\"=dword:1\r\n" + line + "\r\n"), 0) << line;
        EXPECT_FALSE(file.HasKey("HKEY_LOCAL_MACHINE\\X")) << line;
    }
}

TEST(RegistryFile, NeedsTheVersionFiveHeaderAndValuesInsideAKey) {
    CRegistryFile file;
    const std::string body = "[HKEY_LOCAL_MACHINE\\X]\r\n\"A\"=dword:1\r\n";
    EXPECT_EQ(Parse(file, body), 0);
    EXPECT_EQ(Parse(file, "REGEDIT4\r\n" + body), 0);
    EXPECT_EQ(Parse(file, "\r\n" + kHeader + body), 0);
    EXPECT_EQ(Parse(file, ""), 0);
    EXPECT_EQ(Parse(file, kHeader + "\"A\"=dword:1\r\n" + body), 0);
    EXPECT_EQ(Parse(file, kHeader), 1);
    EXPECT_FALSE(file.HasKey("HKEY_LOCAL_MACHINE\\X"));
}
}  // namespace
