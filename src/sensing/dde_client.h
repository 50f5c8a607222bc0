#pragma once
// A thin DDE client: one DDE instance and one conversation, a synchronous
// text request with a fixed time-out, and the splitting of a browser's
// "address","title" reply. Written against the DDE service of
// platform/dde.h, so tests steer it with a fake.
//
// States: empty -> initialised (Initialize) -> connected (ConnectService) ->
// initialised (DisconnectService) -> empty (Uninitialize). The destructor
// disconnects and uninitialises, so a client abandoned on any path releases
// its conversation and instance. Nothing is recorded in the CErrorBase part.
//
// Thread safety: a DDE instance belongs to the thread that created it; a
// client is created, used and destroyed on one thread.

#include <cstdint>

#include "log/error_base.h"
#include "platform/dde.h"

class CDDEClient : public CErrorBase {
public:
    // One DDE string handle of one instance, freed when the item goes away.
    class CAtomItem {
    public:
        explicit CAtomItem(uint32_t instance) : m_instance(instance) {}
        virtual ~CAtomItem();
        CAtomItem(const CAtomItem&) = delete;
        CAtomItem& operator=(const CAtomItem&) = delete;

        // 1 created (ANSI code page); 0 the creation failed; -1 no text; -7
        // the item already holds a handle.
        int CreateStringHandle(const char* text);
        // 1 and the handle in `handle`; -8 no handle.
        int GetStringHandle(DdeHandle& handle) const;
        // 1 freed; 0 the free failed; -8 no handle. No handle is held afterwards.
        int FreeStringHandle();

    private:
        DdeHandle m_handle = 0;
        uint32_t m_instance;
    };

    // How long a request waits for the server's answer.
    static constexpr uint32_t kRequestTimeoutMs = 5000;

    CDDEClient() = default;
    ~CDDEClient() override;
    CDDEClient(const CDDEClient&) = delete;
    CDDEClient& operator=(const CDDEClient&) = delete;

    // 1 instance opened; 0 the service refused (no instance afterwards); -1 no
    // callback; -7 an instance is already open (it stays).
    int Initialize(DdeCallback callback, uint32_t flags);
    // Either name may be null (any service or any topic), not both. 1
    // connected; 0 nobody answered or a name could not be turned into a
    // string handle; -1 both names null; -7 already connected; -8 no instance.
    int ConnectService(const char* service, const char* topic);
    // Requests `item` as text into `reply` (at most replySize characters; the
    // reply is terminated only when it is shorter, so callers keep a spare
    // character) and splits it with SplitReply. 1 reply received; 0 no reply
    // or an empty one; -1 an argument null or a size below 1; -8 no instance;
    // -9 not connected.
    int RequestItem(const char* item, char* title, int titleSize, char* reply, int replySize);
    // 1 when there was no conversation or it ended cleanly, else 0; no
    // conversation afterwards either way.
    int DisconnectService();
    // Disconnects, then 1 when there was no instance or it ended cleanly, else
    // 0; no instance afterwards either way.
    int Uninitialize();

    // Splits the first `count` characters of a reply of the form
    // "address","title" followed by a terminator (counted). Without a comma
    // the reply is left as it is. Otherwise `title` receives the characters
    // from two places after the first comma up to, not including, the last
    // two counted characters (at most titleSize - 1 of them, possibly none),
    // and `reply` is rewritten to the characters between its first character
    // and the one before the comma, that is the address without its quotes.
    // A comma in the first two characters leaves no room for a quoted
    // address: the address is then empty. Never writes outside the first
    // `count` characters of `reply` and the titleSize characters of `title`.
    static void SplitReply(char* reply, int count, char* title, int titleSize);

private:
    uint32_t m_instance = 0;
    DdeHandle m_conversation = 0;
};
