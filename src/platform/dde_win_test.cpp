#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/dde.h"
#include "support/helper_process.h"

namespace {
// What a browser reader asks: its flags, and a callback that answers nothing.
constexpr uint32_t kClientFlags = 0x3cd000;
DdeHandle QLO_DDE_CALLBACK NoTransactions(unsigned, unsigned, DdeHandle, DdeHandle, DdeHandle, DdeHandle,
                                          std::uintptr_t, std::uintptr_t) {
    return 0;
}

const char kTopic[] = "WWW_GetWindowInfo";
const char kItem[] = "0xFFFFFFFF";

// A name of this test process's own, so that servers of other tests never answer.
std::string UniqueName(const char* base) { return base + std::to_string(GetCurrentProcessId()); }

// A client instance of the calling thread, ended when the test ends.
class CClient {
public:
    CClient() { m_open = Dde().Initialize(m_instance, NoTransactions, kClientFlags); }
    ~CClient() {
        for (DdeHandle string : m_strings)
            Dde().FreeStringHandle(m_instance, string);
        if (m_open) Dde().Uninitialize(m_instance);
    }
    CClient(const CClient&) = delete;
    CClient& operator=(const CClient&) = delete;

    bool Open() const { return m_open; }
    uint32_t Instance() const { return m_instance; }
    DdeHandle String(const std::string& text) {
        const DdeHandle string = Dde().CreateStringHandle(m_instance, text.c_str());
        if (string) m_strings.push_back(string);
        return string;
    }
    DdeHandle Connect(const std::string& service, const std::string& topic) {
        return Dde().Connect(m_instance, service.empty() ? 0 : String(service), String(topic));
    }

private:
    uint32_t m_instance = 0;
    bool m_open = false;
    std::vector<DdeHandle> m_strings;
};

// Requests the browser item as text; "" when no data came.
std::string RequestText(CClient& client, DdeHandle conversation, const char* item = kItem) {
    const DdeHandle data = Dde().Request(conversation, client.String(item), 5000);
    if (!data) return "";
    char reply[2048] = {};
    const uint32_t count = Dde().GetData(data, reply, sizeof(reply) - 1);
    EXPECT_TRUE(Dde().FreeDataHandle(data));
    // The reply carries its terminating character.
    EXPECT_EQ(count, std::strlen(reply) + 1);
    return reply;
}

class DdeBrowserServer : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_server.Start(ProgramBesideTest("dde_server_helper.exe"),
                                   {"--service", m_service, "--address", "http://intranet.example/wiki?page=1",
                                    "--page-title", "Team wiki, start page", "--lifetime", "120"}));
        ASSERT_TRUE(m_client.Open());
    }
    // Connects, asks once and disconnects; "" when the server gave nothing.
    std::string AskOnce() {
        const DdeHandle conversation = m_client.Connect(m_service, kTopic);
        if (!conversation) return "";
        const std::string reply = RequestText(m_client, conversation);
        Dde().Disconnect(conversation);
        return reply;
    }

    std::string m_service = UniqueName("QLOBrowser");
    CHelperProcess m_server;
    CClient m_client;
};

TEST_F(DdeBrowserServer, RequestAnswersQuotedAddressAndTitle) {
    const DdeHandle conversation = m_client.Connect(m_service, kTopic);
    ASSERT_NE(conversation, 0u);
    EXPECT_EQ(RequestText(m_client, conversation), "\"http://intranet.example/wiki?page=1\",\"Team wiki, start page\"");
    EXPECT_TRUE(Dde().Disconnect(conversation));
    EXPECT_EQ(m_server.Command("requests"), "ok requests 1");
}

TEST_F(DdeBrowserServer, ServerChangesWhatItShows) {
    EXPECT_EQ(m_server.Command("address https://other.example/"), "ok address");
    EXPECT_EQ(m_server.Command("page-title Other"), "ok page-title");
    EXPECT_EQ(AskOnce(), "\"https://other.example/\",\"Other\"");

    EXPECT_EQ(m_server.Command("reply \"no comma here\""), "ok reply");
    EXPECT_EQ(AskOnce(), "\"no comma here\"");
    EXPECT_EQ(m_server.Command("requests"), "ok requests 2");
}

TEST_F(DdeBrowserServer, EveryReadOpensItsOwnConversation) {
    // As the browser readers do: instance, conversation and one request per
    // read. (Wine answers every second request on one long-lived conversation
    // with "not processed" at once; a conversation per request always works.)
    for (int read = 0; read < 20; ++read) {
        CClient client;
        ASSERT_TRUE(client.Open());
        const DdeHandle conversation = client.Connect(m_service, kTopic);
        ASSERT_NE(conversation, 0u) << "read " << read;
        EXPECT_NE(RequestText(client, conversation), "") << "read " << read;
        EXPECT_TRUE(Dde().Disconnect(conversation));
    }
}

TEST_F(DdeBrowserServer, DataIsCopiedUpToTheBufferSize) {
    const DdeHandle conversation = m_client.Connect(m_service, kTopic);
    ASSERT_NE(conversation, 0u);
    const DdeHandle data = Dde().Request(conversation, m_client.String(kItem), 5000);
    ASSERT_NE(data, 0u);
    char reply[16];
    std::memset(reply, 'Z', sizeof(reply));
    EXPECT_EQ(Dde().GetData(data, reply, 5), 5u);
    EXPECT_EQ(std::string(reply, 6), "\"httpZ");
    EXPECT_EQ(Dde().GetData(data, nullptr, 5), 0u);
    EXPECT_EQ(Dde().GetData(data, reply, 0), 0u);
    EXPECT_TRUE(Dde().FreeDataHandle(data));
    Dde().Disconnect(conversation);
}

TEST_F(DdeBrowserServer, OtherTopicsAndItemsAreRefused) {
    EXPECT_EQ(m_client.Connect(m_service, "WWW_Activate"), 0u);
    const DdeHandle conversation = m_client.Connect(m_service, kTopic);
    ASSERT_NE(conversation, 0u);
    EXPECT_EQ(RequestText(m_client, conversation, "0x00000001"), "");
    Dde().Disconnect(conversation);
    EXPECT_EQ(m_server.Command("requests"), "ok requests 0");
}

TEST_F(DdeBrowserServer, AbsentServiceNameReachesAnyServerOfTheTopic) {
    const DdeHandle conversation = m_client.Connect("", kTopic);
    ASSERT_NE(conversation, 0u);
    EXPECT_NE(RequestText(m_client, conversation), "");
    Dde().Disconnect(conversation);
}

TEST(DdeClient, NobodyAnswersAServiceThatIsNotRunning) {
    CClient client;
    ASSERT_TRUE(client.Open());
    EXPECT_EQ(client.Connect(UniqueName("QLONoSuchService"), kTopic), 0u);
}

TEST(DdeClient, InstanceNeedsACallback) {
    uint32_t instance = 77;
    EXPECT_FALSE(Dde().Initialize(instance, nullptr, kClientFlags));
    EXPECT_EQ(instance, 0u);
    EXPECT_EQ(Dde().CreateStringHandle(instance, nullptr), 0u);
}
}  // namespace
