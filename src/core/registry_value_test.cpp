#include "core/registry_value.h"

#include <gtest/gtest.h>

#include <string>

#include "support/test_registry.h"

namespace {
const char kKey[] = "SOFTWARE\\Belvane\\Orvanta";

int Read(const char* name, CRegistryValue& value) {
    return ReadRegistryValue(REGISTRY_LOCAL_MACHINE, kKey, name, value);
}

TEST(ReadRegistryValue, RefusesMissingOrEmptyArgumentsBeforeAskingTheRegistry) {
    CRegistryValue value;
    EXPECT_EQ(Read("Path", value), -1);  // not prepared
    EXPECT_EQ(value.Prepare(static_cast<RegistryValueKind>(9), 8), -1);
    EXPECT_EQ(value.Prepare(REGISTRY_KIND_STRING, 0), -1);
    EXPECT_EQ(value.Prepare(REGISTRY_KIND_BINARY, -5), -1);
    ASSERT_EQ(value.Prepare(REGISTRY_KIND_STRING, 8), 1);
    EXPECT_EQ(ReadRegistryValue(static_cast<RegistryRoot>(0), kKey, "Path", value), -1);
    EXPECT_EQ(ReadRegistryValue(REGISTRY_LOCAL_MACHINE, nullptr, "Path", value), -1);
    EXPECT_EQ(Read(nullptr, value), -1);
    EXPECT_EQ(ReadRegistryValue(REGISTRY_LOCAL_MACHINE, "", "Path", value), -8);
    EXPECT_EQ(Read("", value), -8);
}

TEST(ReadRegistryValue, TakesLengthsAndNumbersFromWhatTheRegistryHolds) {
    CTestRegistry registry;
    CRegistryValue value;
    ASSERT_EQ(value.Prepare(REGISTRY_KIND_STRING, 8), 1);
    EXPECT_EQ(Read("Language", value), -401);
    ASSERT_TRUE(registry.SetString(kKey, "Language", "ru-RU"));
    EXPECT_EQ(Read("Missing", value), -402);
    ASSERT_EQ(Read("Language", value), 1);
    EXPECT_STREQ(value.Text(), "ru-RU");
    EXPECT_EQ(value.Length(), 5);

    ASSERT_TRUE(registry.SetBytes(kKey, "Bytes", std::string("\0\x01\x02", 3)));
    ASSERT_EQ(value.Prepare(REGISTRY_KIND_BINARY, 8), 1);
    ASSERT_EQ(Read("Bytes", value), 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(value.Bytes()), 8), std::string("\0\x01\x02\0\0\0\0\0", 8));
    EXPECT_EQ(value.Length(), 3);

    ASSERT_TRUE(registry.SetNumber(kKey, "Number", 0xFFFFFFFE));
    ASSERT_EQ(value.Prepare(REGISTRY_KIND_NUMBER), 1);
    ASSERT_EQ(Read("Number", value), 1);
    EXPECT_EQ(value.Number(), 0xFFFFFFFEu);
    EXPECT_EQ(value.Text(), nullptr);
}

TEST(ReadRegistryValue, ValuesTooLargeOrNotNumbersLeaveTheBufferEmpty) {
    CTestRegistry registry;
    ASSERT_TRUE(registry.SetString(kKey, "Ten", "0123456789"));
    ASSERT_TRUE(registry.SetBytes(kKey, "Six", "abcdef"));
    ASSERT_TRUE(registry.SetString(kKey, "Text", "1"));
    ASSERT_TRUE(registry.SetBytes(kKey, "Four", "\x01\x02\x03\x04"));
    CRegistryValue value;

    ASSERT_EQ(value.Prepare(REGISTRY_KIND_STRING, 9), 1);
    EXPECT_EQ(Read("Ten", value), -402);
    EXPECT_STREQ(value.Text(), "");
    EXPECT_EQ(value.Length(), 0);
    ASSERT_EQ(value.Prepare(REGISTRY_KIND_STRING, 10), 1);
    EXPECT_EQ(Read("Ten", value), 1);
    EXPECT_STREQ(value.Text(), "0123456789");

    ASSERT_EQ(value.Prepare(REGISTRY_KIND_BINARY, 5), 1);
    EXPECT_EQ(Read("Six", value), -402);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(value.Bytes()), 5), std::string(5, '\0'));

    // A number stored as text or as bytes is not taken as a number.
    ASSERT_EQ(value.Prepare(REGISTRY_KIND_NUMBER), 1);
    EXPECT_EQ(Read("Text", value), -402);
    EXPECT_EQ(value.Number(), 0u);
    EXPECT_EQ(Read("Four", value), -402);
    EXPECT_EQ(value.Number(), 0u);
}
}  // namespace
