// The registry service of the target, through its real store: under Wine the
// test prefix's registry, on Linux a registry file named by QLO_REGISTRY_FILE.
#include "platform/registry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/text.h"
#include "support/test_registry.h"

namespace {
const char kKey[] = "SOFTWARE\\Belvane\\Orvanta";
const char kPmsKey[] = "SOFTWARE\\Belvane\\Orvanta\\PMS";

struct Read {
    int result;
    std::string data;
    uint32_t type;
};

Read Query(const char* key, const char* name, uint32_t capacity = 256) {
    std::string buffer(capacity, '\0');
    uint32_t size = capacity;
    uint32_t type = REGISTRY_TYPE_NONE;
    const int result = Registry().QueryValue(REGISTRY_LOCAL_MACHINE, key, name, buffer.data(), size, type);
    return {result, result == 1 ? buffer.substr(0, size) : "", type};
}

// The target's narrow text for a UTF-8 text.
std::string Narrow(const char* utf8) {
    char out[64];
    Utf8ToAnsi(utf8, out, sizeof(out));
    return out;
}

TEST(RegistryService, ReadsTextsNumbersAndBytesWithTheirTypesAndSizes) {
    CTestRegistry registry;
    const std::string cafe = Narrow("C:\\Caf\xC3\xA9");
    const std::string bytes = std::string("a\0b", 3) + std::string(61, '\xA5');  // long enough to wrap in a file
    ASSERT_TRUE(registry.SetString(kKey, "Path", cafe));
    ASSERT_TRUE(registry.SetNumber(kKey, "First Start", 0x01020304));
    ASSERT_TRUE(registry.SetBytes(kPmsKey, "JIRA Username", bytes));

    const Read path = Query(kKey, "Path");
    EXPECT_EQ(path.result, 1);
    EXPECT_EQ(path.type, REGISTRY_TYPE_STRING);
    EXPECT_EQ(path.data, cafe + '\0');

    const Read number = Query(kKey, "First Start");
    EXPECT_EQ(number.result, 1);
    EXPECT_EQ(number.type, REGISTRY_TYPE_DWORD);
    EXPECT_EQ(number.data, std::string("\x04\x03\x02\x01", 4));

    const Read binary = Query(kPmsKey, "JIRA Username");
    EXPECT_EQ(binary.result, 1);
    EXPECT_EQ(binary.type, REGISTRY_TYPE_BINARY);
    EXPECT_EQ(binary.data, bytes);

    // Key paths and value names are matched as Windows matches them.
    EXPECT_EQ(Query("software\\BELVANE\\orvanta", "path").data, cafe + '\0');
}

TEST(RegistryService, MissingKeysValuesAndShortBuffers) {
    CTestRegistry registry;
    EXPECT_EQ(Query(kKey, "Path").result, -401);
    ASSERT_TRUE(registry.CreateKey(kPmsKey));
    // The main key now exists because its subkey does.
    EXPECT_EQ(Query(kKey, "Path").result, -402);
    EXPECT_EQ(Query(kPmsKey, "Path").result, -402);
    EXPECT_EQ(Query("SOFTWARE\\Belvane\\Orvanta\\Other", "Path").result, -401);

    ASSERT_TRUE(registry.SetString(kKey, "Path", "0123456789"));
    EXPECT_EQ(Query(kKey, "Path", 10).result, -402);  // the terminator does not fit
    EXPECT_EQ(Query(kKey, "Path", 11).result, 1);
    EXPECT_EQ(Query(kKey, "Path").result, 1);

    uint32_t size = 4, type = 0;
    char data[4];
    EXPECT_EQ(Registry().QueryValue(static_cast<RegistryRoot>(0), kKey, "Path", data, size, type), -401);
}

TEST(RegistryService, TestRegistryLeavesTheRegistryAsItFoundIt) {
    // Whatever the machine's own settings hold (none, or those of a collector
    // run by hand) comes back afterwards.
    const Read found = Query(kKey, "Path");
    {
        CTestRegistry outer;
        ASSERT_TRUE(outer.SetString(kKey, "Path", "outer"));
        {
            CTestRegistry inner;
            EXPECT_EQ(Query(kKey, "Path").result, -401);
            ASSERT_TRUE(inner.SetString(kKey, "Path", "inner"));
            ASSERT_TRUE(inner.SetNumber(kPmsKey, "Added", 1));
        }
        EXPECT_EQ(Query(kKey, "Path").data, std::string("outer") + '\0');
        EXPECT_EQ(Query(kPmsKey, "Added").result, -401);
    }
    const Read after = Query(kKey, "Path");
    EXPECT_EQ(after.result, found.result);
    EXPECT_EQ(after.data, found.data);
}
}  // namespace
