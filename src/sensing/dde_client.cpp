#include "sensing/dde_client.h"

#include <algorithm>
#include <cstring>

#include "platform/text.h"

CDDEClient::CAtomItem::~CAtomItem() {
    if (m_handle) FreeStringHandle();
}

int CDDEClient::CAtomItem::CreateStringHandle(const char* text) {
    if (!text) return -1;
    if (m_handle) return -7;
    m_handle = Dde().CreateStringHandle(m_instance, text);
    return m_handle ? 1 : 0;
}

int CDDEClient::CAtomItem::GetStringHandle(DdeHandle& handle) const {
    if (!m_handle) return -8;
    handle = m_handle;
    return 1;
}

int CDDEClient::CAtomItem::FreeStringHandle() {
    if (!m_handle) return -8;
    const bool freed = Dde().FreeStringHandle(m_instance, m_handle);
    m_handle = 0;
    return freed ? 1 : 0;
}

CDDEClient::~CDDEClient() {
    DisconnectService();
    Uninitialize();
}

int CDDEClient::Initialize(DdeCallback callback, uint32_t flags) {
    if (!callback) return -1;
    if (m_instance) return -7;
    uint32_t instance = 0;
    if (!Dde().Initialize(instance, callback, flags)) {
        m_instance = 0;
        return 0;
    }
    m_instance = instance;
    return 1;
}

int CDDEClient::ConnectService(const char* service, const char* topic) {
    if (!m_instance) return -8;
    if (m_conversation) return -7;
    if (!service && !topic) return -1;
    // A name that is given but cannot become a handle must not turn into
    // "any service" or "any topic".
    CAtomItem serviceItem(m_instance), topicItem(m_instance);
    DdeHandle serviceHandle = 0, topicHandle = 0;
    if (service && (serviceItem.CreateStringHandle(service) != 1 || serviceItem.GetStringHandle(serviceHandle) != 1))
        return 0;
    if (topic && (topicItem.CreateStringHandle(topic) != 1 || topicItem.GetStringHandle(topicHandle) != 1)) return 0;
    m_conversation = Dde().Connect(m_instance, serviceHandle, topicHandle);
    return m_conversation ? 1 : 0;
}

int CDDEClient::RequestItem(const char* item, char* title, int titleSize, char* reply, int replySize) {
    if (!item || !title || titleSize < 1 || !reply || replySize < 1) return -1;
    if (!m_instance) return -8;
    if (!m_conversation) return -9;
    CAtomItem itemAtom(m_instance);
    DdeHandle itemHandle = 0;
    if (itemAtom.CreateStringHandle(item) != 1 || itemAtom.GetStringHandle(itemHandle) != 1) return 0;
    const DdeHandle data = Dde().Request(m_conversation, itemHandle, kRequestTimeoutMs);
    if (!data) return 0;
    const uint32_t copied = Dde().GetData(data, reply, static_cast<uint32_t>(replySize));
    Dde().FreeDataHandle(data);
    if (copied == 0) return 0;
    SplitReply(reply, static_cast<int>(std::min<uint32_t>(copied, static_cast<uint32_t>(replySize))), title, titleSize);
    return 1;
}

int CDDEClient::DisconnectService() {
    if (!m_conversation) return 1;
    const bool ended = Dde().Disconnect(m_conversation);
    m_conversation = 0;
    return ended ? 1 : 0;
}

int CDDEClient::Uninitialize() {
    DisconnectService();
    if (!m_instance) return 1;
    const bool ended = Dde().Uninitialize(m_instance);
    m_instance = 0;
    return ended ? 1 : 0;
}

void CDDEClient::SplitReply(char* reply, int count, char* title, int titleSize) {
    if (!reply || count < 1) return;
    const char* comma = static_cast<const char*>(std::memchr(reply, ',', static_cast<size_t>(count)));
    if (!comma) return;
    const int commaAt = static_cast<int>(comma - reply);
    if (title && titleSize > 0) {
        title[0] = '\0';
        const int start = commaAt + 2;  // past the comma and the title's opening quote
        const int end = count - 2;      // before the closing quote and the terminator
        if (end > start) CopyTextCut(title, reply + start, static_cast<size_t>(std::min(end - start, titleSize - 1)));
    }
    // The address sits between the opening quote and the closing quote just
    // before the comma.
    const int addressLength = std::max(commaAt - 2, 0);
    if (addressLength > 0) std::memmove(reply, reply + 1, static_cast<size_t>(addressLength));
    reply[addressLength] = '\0';
}
