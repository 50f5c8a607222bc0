#include "native_messaging.h"

#include <cstring>

CNativeMessageReader::EResult CNativeMessageReader::Next(std::string& message, uint32_t& length) {
    char header[sizeof(uint32_t)];
    if (m_source(header, sizeof(header)) != sizeof(header)) return EResult::End;
    std::memcpy(&length, header, sizeof(length));
    if (length > m_max) {
        char discard[4096];
        for (uint32_t left = length; left > 0;) {
            const size_t part = left < sizeof(discard) ? left : sizeof(discard);
            if (m_source(discard, part) != part) return EResult::End;
            left -= static_cast<uint32_t>(part);
        }
        return EResult::TooLong;
    }
    message.resize(length);
    if (length > 0 && m_source(message.data(), length) != length) return EResult::End;
    return EResult::Message;
}

bool WriteNativeMessage(std::FILE* out, const std::string& json) {
    const uint32_t length = static_cast<uint32_t>(json.size());
    return std::fwrite(&length, sizeof(length), 1, out) == 1 &&
           std::fwrite(json.data(), 1, json.size(), out) == json.size() && std::fflush(out) == 0;
}
