#include "log/error_base.h"

#include <gtest/gtest.h>

#include <string>

namespace {
TEST(ErrorBase, StoresCutTextsAndCodeAndClears) {
    CErrorBase error;
    EXPECT_EQ(error.GetErrorName(), nullptr);
    ASSERT_EQ(error.SetError("Connect", 4, "database is locked", 8, -100), 1);
    EXPECT_STREQ(error.GetErrorName(), "Conn");
    EXPECT_STREQ(error.GetErrorText(), "database");
    EXPECT_EQ(error.GetErrorCode(), -100);
    error.ClearError();
    EXPECT_EQ(error.GetErrorName(), nullptr);
    EXPECT_EQ(error.GetErrorText(), nullptr);
    EXPECT_EQ(error.GetErrorCode(), 0);
}

TEST(ErrorBase, RefusesMissingTextsOrLimitsAndKeepsThePreviousFailure) {
    CErrorBase error;
    ASSERT_EQ(error.SetError("Open", 64, "no file", 255, 14), 1);
    EXPECT_EQ(error.SetError(nullptr, 64, "x", 255, 1), -1);
    EXPECT_EQ(error.SetError("x", 64, nullptr, 255, 1), -1);
    EXPECT_EQ(error.SetError("x", 0, "y", 255, 1), -1);
    EXPECT_EQ(error.SetError("x", 64, "y", -1, 1), -1);
    EXPECT_STREQ(error.GetErrorName(), "Open");
    EXPECT_EQ(error.GetErrorCode(), 14);
}

TEST(AutoCharBuffer, AllocationRules) {
    CAutoCharBuffer buffer;
    EXPECT_EQ(buffer.Size(), -1);
    EXPECT_EQ(buffer.Allocate(0, true), -1);
    ASSERT_EQ(buffer.Allocate(10, false), 1);
    EXPECT_EQ(buffer.Size(), 10);
    EXPECT_EQ(std::string(buffer.Get(), 11), std::string(11, '\0'));
    EXPECT_EQ(buffer.Allocate(20, false), -7);
    EXPECT_EQ(buffer.Size(), 10);
    EXPECT_EQ(buffer.Allocate(20, true), 1);
    buffer.Release();
    EXPECT_EQ(buffer.Get(), nullptr);
    EXPECT_EQ(buffer.Size(), -1);
}
}  // namespace
