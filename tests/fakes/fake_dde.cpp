#include "fakes/fake_dde.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {
std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}
}  // namespace

CFakeDde::CFakeDde() { m_previous = SetDde(this); }

CFakeDde::~CFakeDde() { SetDde(m_previous); }

CFakeDde::CServer* CFakeDde::FindServer(const std::string& service, const std::string& topic) {
    for (CServer& server : m_servers)
        if (server.service == Lower(service) && server.topic == Lower(topic)) return &server;
    return nullptr;
}

void CFakeDde::Serve(const std::string& service, const std::string& topic) {
    std::lock_guard<std::mutex> guard(m_mutex);
    if (!FindServer(service, topic)) m_servers.push_back({Lower(service), Lower(topic), {}});
}

void CFakeDde::Answer(const std::string& service, const std::string& topic, const std::string& item,
                      const std::string& reply) {
    Serve(service, topic);
    std::lock_guard<std::mutex> guard(m_mutex);
    FindServer(service, topic)->replies[Lower(item)] = reply;
}

std::string CFakeDde::BrowserReply(const std::string& address, const std::string& title) {
    return Terminated("\"" + address + "\",\"" + title + "\"");
}

std::string CFakeDde::Terminated(std::string text) {
    text.push_back('\0');
    return text;
}

void CFakeDde::FailInitialize(bool fail) {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_failInitialize = fail;
}

void CFakeDde::FailStringHandles(bool fail) {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_failStrings = fail;
}

int CFakeDde::OpenInstances() const {
    std::lock_guard<std::mutex> guard(m_mutex);
    return static_cast<int>(m_instances.size());
}

int CFakeDde::OpenStringHandles() const {
    std::lock_guard<std::mutex> guard(m_mutex);
    return static_cast<int>(m_strings.size());
}

int CFakeDde::OpenConversations() const {
    std::lock_guard<std::mutex> guard(m_mutex);
    return static_cast<int>(m_conversations.size());
}

int CFakeDde::OpenDataHandles() const {
    std::lock_guard<std::mutex> guard(m_mutex);
    return static_cast<int>(m_data.size());
}

int CFakeDde::Requests() const {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_requests;
}

uint32_t CFakeDde::LastTimeoutMs() const {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_lastTimeout;
}

uint32_t CFakeDde::LastFlags() const {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_lastFlags;
}

std::string CFakeDde::LastService() const {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_lastService;
}

std::string CFakeDde::LastTopic() const {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_lastTopic;
}

bool CFakeDde::Initialize(uint32_t& instance, DdeCallback callback, uint32_t flags) {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_lastFlags = flags;
    if (m_failInitialize || !callback) return false;
    instance = m_nextInstance++;
    m_instances[instance] = true;
    return true;
}

bool CFakeDde::Uninitialize(uint32_t instance) {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_instances.erase(instance) == 1;
}

DdeHandle CFakeDde::CreateStringHandle(uint32_t instance, const char* text) {
    std::lock_guard<std::mutex> guard(m_mutex);
    if (m_failStrings || !text || !m_instances.count(instance)) return 0;
    const DdeHandle handle = m_nextHandle++;
    m_strings[handle] = {instance, text};
    return handle;
}

bool CFakeDde::FreeStringHandle(uint32_t instance, DdeHandle string) {
    std::lock_guard<std::mutex> guard(m_mutex);
    const auto found = m_strings.find(string);
    if (found == m_strings.end() || found->second.instance != instance) return false;
    m_strings.erase(found);
    return true;
}

DdeHandle CFakeDde::Connect(uint32_t instance, DdeHandle service, DdeHandle topic) {
    std::lock_guard<std::mutex> guard(m_mutex);
    if (!m_instances.count(instance)) return 0;
    if ((service && !m_strings.count(service)) || (topic && !m_strings.count(topic))) return 0;
    const std::string serviceName = service ? Lower(m_strings[service].text) : "";
    const std::string topicName = topic ? Lower(m_strings[topic].text) : "";
    for (size_t index = 0; index < m_servers.size(); ++index) {
        const CServer& server = m_servers[index];
        if ((service && server.service != serviceName) || (topic && server.topic != topicName)) continue;
        const DdeHandle conversation = m_nextHandle++;
        m_conversations[conversation] = index;
        m_lastService = server.service;
        m_lastTopic = server.topic;
        return conversation;
    }
    return 0;
}

bool CFakeDde::Disconnect(DdeHandle conversation) {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_conversations.erase(conversation) == 1;
}

DdeHandle CFakeDde::Request(DdeHandle conversation, DdeHandle item, uint32_t timeoutMs) {
    std::lock_guard<std::mutex> guard(m_mutex);
    ++m_requests;
    m_lastTimeout = timeoutMs;
    const auto found = m_conversations.find(conversation);
    if (found == m_conversations.end() || !m_strings.count(item)) return 0;
    const CServer& server = m_servers[found->second];
    const auto reply = server.replies.find(Lower(m_strings[item].text));
    if (reply == server.replies.end()) return 0;
    const DdeHandle data = m_nextHandle++;
    m_data[data] = reply->second;
    return data;
}

uint32_t CFakeDde::GetData(DdeHandle data, char* buffer, uint32_t size) {
    std::lock_guard<std::mutex> guard(m_mutex);
    const auto found = m_data.find(data);
    if (found == m_data.end() || !buffer) return 0;
    const uint32_t count = std::min<uint32_t>(size, static_cast<uint32_t>(found->second.size()));
    if (count) std::memcpy(buffer, found->second.data(), count);
    return count;
}

bool CFakeDde::FreeDataHandle(DdeHandle data) {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_data.erase(data) == 1;
}
