// The local channel on the real system: messages arrive whole and in order,
// connections are numbered and their ends told, one listener per name, a
// client gives up on a listener that does not read, and the framing
// refuses lengths out of range.
#include "platform/local_channel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "support/silent_listener.h"
#include "support/wait_until.h"

namespace {
using namespace std::chrono_literals;

// A name of its own for each test, beside the user's channel (other test
// runs of the same user may use the place at the same time).
std::string TestChannel() {
    static std::atomic<int> count{0};
    return BrowserChannelName() + "-test-" +
           std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + "-" + std::to_string(count++);
}

class CRecorder : public CLocalChannelReceiver {
public:
    void OnMessage(uint32_t connection, const char* data, uint32_t size) override {
        std::lock_guard<std::mutex> hold(m_mutex);
        messages.emplace_back(connection, std::string(data, size));
        m_changed.notify_all();
    }
    void OnDisconnected(uint32_t connection) override {
        std::lock_guard<std::mutex> hold(m_mutex);
        ended.push_back(connection);
        m_changed.notify_all();
    }
    // Waits until `messageCount` messages and `endCount` ends have come.
    bool WaitFor(size_t messageCount, size_t endCount) {
        std::unique_lock<std::mutex> hold(m_mutex);
        return m_changed.wait_for(hold, 20s,
                                  [&] { return messages.size() >= messageCount && ended.size() >= endCount; });
    }

    std::vector<std::pair<uint32_t, std::string>> messages;
    std::vector<uint32_t> ended;

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
};

TEST(LocalChannel, MessagesArriveWholeInOrderAndEachConnectionsEndIsTold) {
    ASSERT_NE(BrowserChannelName(), "");
    const std::string name = TestChannel();
    CRecorder recorder;
    CLocalChannelListener listener;
    ASSERT_EQ(listener.Start(name, recorder), 1);
    CLocalChannelClient first, second;
    ASSERT_EQ(first.Connect(name), 1);
    ASSERT_EQ(second.Connect(name), 1);
    EXPECT_EQ(first.Connect(name), -7);
    const std::string largest(kLocalChannelMaxMessage, 'x');
    EXPECT_EQ(first.Send("one", 3), 1);
    EXPECT_EQ(second.Send("other", 5), 1);
    EXPECT_EQ(first.Send(largest.data(), kLocalChannelMaxMessage), 1);
    EXPECT_EQ(first.Send("", 0), -1);
    EXPECT_EQ(first.Send(largest.data(), kLocalChannelMaxMessage + 1), -1);
    ASSERT_TRUE(recorder.WaitFor(3, 0));
    first.Close();
    EXPECT_EQ(first.Send("late", 4), -8);
    ASSERT_TRUE(recorder.WaitFor(3, 1));

    std::vector<std::string> fromFirst, fromSecond;
    const uint32_t firstNumber = recorder.ended[0];
    for (const auto& [connection, text] : recorder.messages)
        (connection == firstNumber ? fromFirst : fromSecond).push_back(text);
    EXPECT_EQ(fromFirst, (std::vector<std::string>{"one", largest}));
    EXPECT_EQ(fromSecond, std::vector<std::string>{"other"});

    // Stopping ends the other connection too; its client notices.
    EXPECT_EQ(second.Check(), 1);
    listener.Stop();
    ASSERT_EQ(recorder.ended.size(), 2u);
    EXPECT_NE(recorder.ended[1], firstNumber);
    EXPECT_EQ(second.Check(), 0);
    EXPECT_FALSE(second.IsConnected());
    EXPECT_EQ(second.Check(), -8);
}

TEST(LocalChannel, OneListenerPerName) {
    const std::string name = TestChannel();
    CRecorder recorder;
    CLocalChannelListener listener, rival;
    CLocalChannelClient client;
    EXPECT_EQ(client.Connect(name), 0) << "nobody listens yet";
    EXPECT_EQ(client.Connect(""), -1);
    EXPECT_EQ(listener.Start("", recorder), -1);
    ASSERT_EQ(listener.Start(name, recorder), 1);
    EXPECT_EQ(listener.Start(name, recorder), -7);
    EXPECT_EQ(rival.Start(name, recorder), -7);
    listener.Stop();
    listener.Stop();
    EXPECT_EQ(rival.Start(name, recorder), 1) << "the name is free again";
    EXPECT_EQ(client.Connect(name), 1);
}

TEST(LocalChannel, AClientGivesUpOnAListenerThatNeverReads) {
    const std::string name = TestChannel();
    CSilentListener silent(name);
    ASSERT_TRUE(silent.Holding());
    CLocalChannelClient client;
    ASSERT_EQ(client.Connect(name), 1);
    std::atomic<int> sent{1};
    std::thread writer([&] {
        const std::string message(kLocalChannelMaxMessage, 'x');
        while ((sent = client.Send(message.data(), kLocalChannelMaxMessage)) == 1) {
        }
    });
    const bool gaveUp = WaitUntil([&] { return sent != 1; });
    silent.Close();  // ends a write that would otherwise wait for ever
    writer.join();
    EXPECT_TRUE(gaveUp) << "the send still waits for the listener";
    EXPECT_EQ(sent, 0);
    EXPECT_FALSE(client.IsConnected());
}

TEST(LocalChannel, TheFramingRefusesLengthsOutOfRange) {
    auto frame = [](uint32_t length, const std::string& body) {
        char header[4];
        EncodeFrameLength(length, header);
        return std::string(header, 4) + body;
    };
    std::vector<std::string> got;
    auto collect = [&](const char* data, uint32_t size) { got.emplace_back(data, size); };
    CLocalChannelFramer framer;
    const std::string stream = frame(2, "ab") + frame(3, "cde");
    for (char byte : stream)
        ASSERT_TRUE(framer.Feed(&byte, 1, collect));
    EXPECT_EQ(got, (std::vector<std::string>{"ab", "cde"}));
    CLocalChannelFramer empty, huge;
    EXPECT_FALSE(empty.Feed(frame(0, "").data(), 4, collect));
    EXPECT_FALSE(huge.Feed(frame(kLocalChannelMaxMessage + 1, "").data(), 4, collect));
    EXPECT_FALSE(huge.Feed(frame(1, "z").data(), 5, collect)) << "a broken connection stays broken";
    EXPECT_EQ(got.size(), 2u);
}
}  // namespace
