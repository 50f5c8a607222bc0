#pragma once
// A DDE service that tests script: which servers answer on which topic and
// what they reply to a request of an item. It counts what is open (instances,
// string handles, conversations, data handles), so a test proves that every
// path releases what it took. Installs itself as the process-wide DDE service
// for its lifetime and restores the previous one when destroyed.
// Thread-safe.
//
// Service, topic and item names match without regard to case, as in DDE.

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/dde.h"

class CFakeDde : public CDdeService {
public:
    CFakeDde();
    ~CFakeDde() override;
    CFakeDde(const CFakeDde&) = delete;
    CFakeDde& operator=(const CFakeDde&) = delete;

    // A server of `service` accepts conversations on `topic`.
    void Serve(const std::string& service, const std::string& topic);
    // ... and answers a request of `item` with the bytes of `reply` exactly
    // (add a '\0' to count a terminator, as a browser does).
    void Answer(const std::string& service, const std::string& topic, const std::string& item,
                const std::string& reply);
    // The reply of a browser showing `address` with `title`: "address","title"
    // and a counted terminator.
    static std::string BrowserReply(const std::string& address, const std::string& title);
    // `text` with a counted terminator.
    static std::string Terminated(std::string text);

    // Failure injection.
    void FailInitialize(bool fail);
    void FailStringHandles(bool fail);

    // What is open now.
    int OpenInstances() const;
    int OpenStringHandles() const;
    int OpenConversations() const;
    int OpenDataHandles() const;
    // What was asked so far.
    int Requests() const;
    uint32_t LastTimeoutMs() const;
    uint32_t LastFlags() const;
    std::string LastService() const;  // of the last conversation established
    std::string LastTopic() const;

    bool Initialize(uint32_t& instance, DdeCallback callback, uint32_t flags) override;
    bool Uninitialize(uint32_t instance) override;
    DdeHandle CreateStringHandle(uint32_t instance, const char* text) override;
    bool FreeStringHandle(uint32_t instance, DdeHandle string) override;
    DdeHandle Connect(uint32_t instance, DdeHandle service, DdeHandle topic) override;
    bool Disconnect(DdeHandle conversation) override;
    DdeHandle Request(DdeHandle conversation, DdeHandle item, uint32_t timeoutMs) override;
    uint32_t GetData(DdeHandle data, char* buffer, uint32_t size) override;
    bool FreeDataHandle(DdeHandle data) override;

private:
    struct CServer {
        std::string service, topic;
        std::map<std::string, std::string> replies;  // by lower-case item
    };
    struct CString {
        uint32_t instance;
        std::string text;
    };
    CServer* FindServer(const std::string& service, const std::string& topic);

    mutable std::mutex m_mutex;
    std::vector<CServer> m_servers;
    std::map<uint32_t, bool> m_instances;
    std::map<DdeHandle, CString> m_strings;
    std::map<DdeHandle, size_t> m_conversations;  // to the index of the server
    std::map<DdeHandle, std::string> m_data;
    DdeHandle m_nextHandle = 0x100;
    uint32_t m_nextInstance = 1;
    bool m_failInitialize = false, m_failStrings = false;
    int m_requests = 0;
    uint32_t m_lastTimeout = 0, m_lastFlags = 0;
    std::string m_lastService, m_lastTopic;
    CDdeService* m_previous = nullptr;
};
