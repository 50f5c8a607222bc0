// The framing of the local channel, shared by the listeners and clients of
// both systems.
#include "platform/local_channel.h"

#include <algorithm>
#include <cstring>

void EncodeFrameLength(uint32_t length, char out[4]) {
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<char>((length >> (8 * i)) & 0xFF);
}

bool CLocalChannelFramer::Take(const char*& data, size_t& size) {
    if (m_headerBytes < sizeof(m_header)) {
        const size_t part = std::min<size_t>(size, sizeof(m_header) - m_headerBytes);
        std::memcpy(m_header + m_headerBytes, data, part);
        m_headerBytes += static_cast<uint32_t>(part);
        data += part;
        size -= part;
        if (m_headerBytes < sizeof(m_header)) return false;
        for (int i = 3; i >= 0; --i)
            m_length = (m_length << 8) | static_cast<unsigned char>(m_header[i]);
        if (m_length == 0 || m_length > kLocalChannelMaxMessage) {
            m_broken = true;
            return false;
        }
    }
    const size_t part = std::min<size_t>(size, m_length - m_bodyBytes);
    std::memcpy(m_body + m_bodyBytes, data, part);
    m_bodyBytes += static_cast<uint32_t>(part);
    data += part;
    size -= part;
    return m_bodyBytes == m_length;
}
