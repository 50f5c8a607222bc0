#include "sensing/dde_client.h"

#include <gtest/gtest.h>

#include <string>

#include "fakes/fake_dde.h"

namespace {
DdeHandle QLO_DDE_CALLBACK AnswerNothing(unsigned, unsigned, DdeHandle, DdeHandle, DdeHandle, DdeHandle, std::uintptr_t,
                                         std::uintptr_t) {
    return 0;
}

TEST(DdeClient, RefusesOperationsOutOfOrder) {
    CFakeDde dde;
    dde.Serve("IExplore", "WWW_GetWindowInfo");
    char title[16], reply[16];
    CDDEClient client;
    EXPECT_EQ(client.RequestItem("x", title, sizeof(title), reply, 0), -1);
    EXPECT_EQ(client.RequestItem(nullptr, title, sizeof(title), reply, sizeof(reply)), -1);
    EXPECT_EQ(client.RequestItem("x", title, sizeof(title), reply, sizeof(reply)), -8);
    EXPECT_EQ(client.ConnectService("IExplore", "WWW_GetWindowInfo"), -8);
    EXPECT_EQ(client.Initialize(nullptr, 0), -1);
    ASSERT_EQ(client.Initialize(AnswerNothing, 0), 1);
    EXPECT_EQ(client.Initialize(AnswerNothing, 0), -7);
    EXPECT_EQ(dde.OpenInstances(), 1);
    EXPECT_EQ(client.RequestItem("x", title, sizeof(title), reply, sizeof(reply)), -9);
    EXPECT_EQ(client.ConnectService(nullptr, nullptr), -1);
    ASSERT_EQ(client.ConnectService("IExplore", "WWW_GetWindowInfo"), 1);
    EXPECT_EQ(client.ConnectService("IExplore", "WWW_GetWindowInfo"), -7);
    EXPECT_EQ(dde.OpenConversations(), 1);
    EXPECT_EQ(client.DisconnectService(), 1);
    EXPECT_EQ(client.DisconnectService(), 1);
    EXPECT_EQ(client.Uninitialize(), 1);
    EXPECT_EQ(client.Uninitialize(), 1);
    EXPECT_EQ(dde.OpenInstances(), 0);
    EXPECT_EQ(dde.OpenStringHandles(), 0);
}

TEST(DdeClient, RequestsASplitReplyAndReleasesEverything) {
    CFakeDde dde;
    dde.Answer("firefox", "WWW_GetWindowInfo", "0xFFFFFFFF",
               CFakeDde::BrowserReply("https://example.org/a", "Example page"));
    {
        CDDEClient client;
        ASSERT_EQ(client.Initialize(AnswerNothing, 0x3cd000), 1);
        ASSERT_EQ(client.ConnectService("FireFox", "WWW_GetWindowInfo"), 1);
        char title[64] = {}, reply[64] = {};
        ASSERT_EQ(client.RequestItem("0xFFFFFFFF", title, sizeof(title), reply, sizeof(reply)), 1);
        EXPECT_STREQ(reply, "https://example.org/a");
        EXPECT_STREQ(title, "Example page");
        EXPECT_EQ(dde.LastTimeoutMs(), 5000u);
        EXPECT_EQ(dde.LastFlags(), 0x3cd000u);
        EXPECT_EQ(dde.OpenDataHandles(), 0);
        EXPECT_EQ(dde.OpenStringHandles(), 0);
        // Still connected, abandoned here: the destructor ends it all.
    }
    EXPECT_EQ(dde.OpenConversations(), 0);
    EXPECT_EQ(dde.OpenInstances(), 0);
}

TEST(DdeClient, FailuresGiveZeroAndLeakNothing) {
    CFakeDde dde;
    dde.Answer("IExplore", "WWW_GetWindowInfo", "empty", "");
    char title[16], reply[16];
    {
        dde.FailInitialize(true);
        CDDEClient client;
        EXPECT_EQ(client.Initialize(AnswerNothing, 0), 0);
        EXPECT_EQ(client.ConnectService("IExplore", nullptr), -8);
        dde.FailInitialize(false);
    }
    {
        CDDEClient client;
        ASSERT_EQ(client.Initialize(AnswerNothing, 0), 1);
        EXPECT_EQ(client.ConnectService("firefox", "WWW_GetWindowInfo"), 0);
        // A service name that cannot become a handle must not connect to any server.
        dde.FailStringHandles(true);
        EXPECT_EQ(client.ConnectService("firefox", "WWW_GetWindowInfo"), 0);
        dde.FailStringHandles(false);
        ASSERT_EQ(client.ConnectService(nullptr, "WWW_GetWindowInfo"), 1);
        EXPECT_EQ(dde.LastService(), "iexplore");
        EXPECT_EQ(client.RequestItem("unknown", title, sizeof(title), reply, sizeof(reply)), 0);
        EXPECT_EQ(client.RequestItem("empty", title, sizeof(title), reply, sizeof(reply)), 0);
        dde.FailStringHandles(true);
        EXPECT_EQ(client.RequestItem("empty", title, sizeof(title), reply, sizeof(reply)), 0);
        dde.FailStringHandles(false);
        EXPECT_EQ(dde.Requests(), 2);
    }
    EXPECT_EQ(dde.OpenInstances(), 0);
    EXPECT_EQ(dde.OpenConversations(), 0);
    EXPECT_EQ(dde.OpenStringHandles(), 0);
    EXPECT_EQ(dde.OpenDataHandles(), 0);
}

TEST(DdeAtomItem, OwnsOneHandle) {
    CFakeDde dde;
    CDDEClient client;
    ASSERT_EQ(client.Initialize(AnswerNothing, 0), 1);
    uint32_t instance = 0;
    ASSERT_TRUE(dde.Initialize(instance, AnswerNothing, 0));
    {
        CDDEClient::CAtomItem item(instance);
        DdeHandle handle = 0;
        EXPECT_EQ(item.GetStringHandle(handle), -8);
        EXPECT_EQ(item.FreeStringHandle(), -8);
        EXPECT_EQ(item.CreateStringHandle(nullptr), -1);
        ASSERT_EQ(item.CreateStringHandle("topic"), 1);
        EXPECT_EQ(item.CreateStringHandle("topic"), -7);
        EXPECT_EQ(item.GetStringHandle(handle), 1);
        EXPECT_NE(handle, 0u);
        EXPECT_EQ(item.FreeStringHandle(), 1);
        EXPECT_EQ(item.GetStringHandle(handle), -8);
        ASSERT_EQ(item.CreateStringHandle("again"), 1);
        EXPECT_EQ(dde.OpenStringHandles(), 1);
    }
    EXPECT_EQ(dde.OpenStringHandles(), 0);
    dde.Uninitialize(instance);
}

// Splits `reply` (all of its bytes counted) into address and title.
std::pair<std::string, std::string> Split(const std::string& reply, int titleSize = 64) {
    std::string buffer = reply;
    std::string title(static_cast<size_t>(titleSize), 'x');
    CDDEClient::SplitReply(buffer.data(), static_cast<int>(buffer.size()), title.data(), titleSize);
    return {std::string(buffer.c_str()), std::string(title.c_str())};
}

TEST(DdeReplySplit, QuotedAddressAndTitle) {
    EXPECT_EQ(Split(CFakeDde::BrowserReply("http://a.b/c", "Title")),
              std::make_pair(std::string("http://a.b/c"), std::string("Title")));
    // A title cut to the title buffer.
    EXPECT_EQ(Split(CFakeDde::BrowserReply("http://a", "Long title"), 5).second, "Long");
    // Fields after the title belong to its span.
    EXPECT_EQ(Split(CFakeDde::Terminated("\"http://a\",\"T\",\"more\"")).second, "T\",\"more");
    // An address holding a comma is split at that comma, losing the character
    // on each side of it where the quotes would stand.
    EXPECT_EQ(Split(CFakeDde::BrowserReply("http://a/x,y", "T")),
              std::make_pair(std::string("http://a/"), std::string("\",\"T")));
}

TEST(DdeReplySplit, OddRepliesStaySafe) {
    // No comma: untouched, quotes and all.
    const std::string unquoted = CFakeDde::Terminated("\"http://only\"");
    EXPECT_EQ(Split(unquoted).first, "\"http://only\"");
    // A comma in the first two characters leaves no address.
    EXPECT_EQ(Split(CFakeDde::Terminated(",\"T\"")), std::make_pair(std::string(), std::string("T")));
    EXPECT_EQ(Split(CFakeDde::Terminated("a,\"T\"")).first, "");
    // Too short for a title: it is emptied.
    EXPECT_EQ(Split("\"a\",").second, "");
    EXPECT_EQ(Split("\"a\",\"").second, "");
    EXPECT_EQ(Split("\"ab\",").first, "ab");
}
}  // namespace
