// Secrets kept per user on Windows: a password every user of the computer
// could read (HKEY_LOCAL_MACHINE) is moved into the user's key, protected
// for that user alone; the protected copy reads back.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/user_secret.h"
#include "support/test_registry.h"

namespace {
const char kKey[] = "SOFTWARE\\Belvane\\Orvanta\\Team Store";

// The value's type and bytes; type REG_NONE when missing.
std::string RawValue(HKEY root, DWORD& type) {
    char data[4096];
    DWORD size = sizeof(data);
    type = REG_NONE;
    if (RegGetValueA(root, kKey, "Password", RRF_RT_ANY, &type, data, &size) != ERROR_SUCCESS) return {};
    return std::string(data, size);
}

void SetUserValue(DWORD type, const std::string& bytes) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "Password", 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                   static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
}

TEST(UserSecret, APasswordEveryUserCanReadIsMovedIntoTheUsersOwnProtectedKey) {
    CTestRegistry registry;
    std::string secret, notice;
    EXPECT_EQ(ReadUserSecret(kKey, "Password", secret, notice), 0);
    ASSERT_TRUE(registry.SetString(kKey, "Password", "Secret-Horse-42"));
    EXPECT_EQ(ReadUserSecret(kKey, "Password", secret, notice), 1);
    EXPECT_EQ(secret, "Secret-Horse-42");
    EXPECT_NE(notice.find("\"Password\" was moved from HKEY_LOCAL_MACHINE\\SOFTWARE\\Belvane\\Orvanta\\Team Store"),
              std::string::npos)
        << notice;
    DWORD type = REG_NONE;
    RawValue(HKEY_LOCAL_MACHINE, type);
    EXPECT_EQ(type, static_cast<DWORD>(REG_NONE)) << "still where every user reads it";
    EXPECT_EQ(RawValue(HKEY_CURRENT_USER, type).find("Secret-Horse-42"), std::string::npos);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    // Read again: the protected copy, with nothing to tell.
    EXPECT_EQ(ReadUserSecret(kKey, "Password", secret, notice), 1);
    EXPECT_EQ(secret, "Secret-Horse-42");
    EXPECT_EQ(notice, "");

    // A text typed into the user's own key is protected where it is.
    SetUserValue(REG_SZ, std::string("Typed-7", 8));
    EXPECT_EQ(ReadUserSecret(kKey, "Password", secret, notice), 1);
    EXPECT_EQ(secret, "Typed-7");
    EXPECT_EQ(RawValue(HKEY_CURRENT_USER, type).find("Typed-7"), std::string::npos);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    // Protected bytes that do not unprotect: kept, but unreadable.
    SetUserValue(REG_BINARY, "not protected");
    EXPECT_EQ(ReadUserSecret(kKey, "Password", secret, notice), -1);
    EXPECT_EQ(secret, "");
}
}  // namespace
