#include <gtest/gtest.h>

#include "platform/dde.h"

namespace {
DdeHandle QLO_DDE_CALLBACK Callback(unsigned, unsigned, DdeHandle, DdeHandle, DdeHandle, DdeHandle, std::uintptr_t,
                                    std::uintptr_t) {
    return 0;
}

// What the browser readers go through on Linux: everything up to the
// conversation works, and then nobody answers.
TEST(DdeWithoutPartners, InstancesOpenButNoConversationEverStarts) {
    CDdeService& dde = Dde();
    uint32_t first = 0, second = 0;
    ASSERT_TRUE(dde.Initialize(first, Callback, 0));
    ASSERT_TRUE(dde.Initialize(second, Callback, 0));
    EXPECT_NE(first, 0u);
    EXPECT_NE(first, second);
    uint32_t untouched = 77;
    EXPECT_FALSE(dde.Initialize(untouched, nullptr, 0));
    EXPECT_EQ(untouched, 77u);

    const DdeHandle service = dde.CreateStringHandle(first, "firefox");
    const DdeHandle topic = dde.CreateStringHandle(first, "WWW_GetWindowInfo");
    EXPECT_NE(service, 0u);
    EXPECT_NE(topic, 0u);
    EXPECT_NE(service, topic);
    EXPECT_EQ(dde.CreateStringHandle(first, nullptr), 0u);
    EXPECT_EQ(dde.CreateStringHandle(0, "firefox"), 0u);

    EXPECT_EQ(dde.Connect(first, service, topic), 0u);
    EXPECT_EQ(dde.Request(0, topic, 5000), 0u);
    char reply[8] = "old";
    EXPECT_EQ(dde.GetData(0, reply, sizeof(reply)), 0u);
    EXPECT_STREQ(reply, "old");

    EXPECT_TRUE(dde.FreeStringHandle(first, service));
    EXPECT_FALSE(dde.FreeStringHandle(first, 0));
    EXPECT_TRUE(dde.Uninitialize(first));
    EXPECT_TRUE(dde.Uninitialize(second));
}
}  // namespace
