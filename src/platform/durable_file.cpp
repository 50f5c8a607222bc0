#include "platform/durable_file.h"

#include <cstring>

namespace {
// Copies larger than this are not read (four times the largest checkpoint).
constexpr size_t kCopyLimit = 16u * 1024u * 1024u;
constexpr char kMagic[8] = {'Q', 'L', 'O', 'D', 'U', 'R', '1', '\n'};
constexpr size_t kHeaderSize = sizeof kMagic + 8 + 8 + 4;

uint32_t Fnv1a(const char* data, size_t size) {
    uint32_t hash = 2166136261u;
    for (size_t i = 0; i < size; ++i) {
        hash ^= static_cast<unsigned char>(data[i]);
        hash *= 16777619u;
    }
    return hash;
}

void PutNumber(std::string& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

uint64_t GetNumber(const std::string& in, size_t at, int bytes) {
    uint64_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= static_cast<uint64_t>(static_cast<unsigned char>(in[at + i])) << (8 * i);
    return value;
}

// The content of a whole copy and its sequence number; false when spoilt.
bool Unpack(const std::string& bytes, std::string& content, uint64_t& sequence) {
    if (bytes.size() < kHeaderSize || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) return false;
    sequence = GetNumber(bytes, sizeof kMagic, 8);
    const uint64_t length = GetNumber(bytes, sizeof kMagic + 8, 8);
    const uint32_t checksum = static_cast<uint32_t>(GetNumber(bytes, sizeof kMagic + 16, 4));
    if (length != bytes.size() - kHeaderSize || Fnv1a(bytes.data() + kHeaderSize, length) != checksum) return false;
    content.assign(bytes, kHeaderSize, length);
    return true;
}
}  // namespace

int CDurableFile::Read(std::string& content, int& damaged) {
    content.clear();
    damaged = 0;
    int found = 0, newest = -1;
    uint64_t newestSequence = 0;
    for (int copy = 0; copy < 2; ++copy) {
        std::string bytes, unpacked;
        const int read = ReadCopy(m_path + "." + std::to_string(copy), kCopyLimit, bytes);
        if (read == 0) continue;
        ++found;
        uint64_t sequence = 0;
        if (read != 1 || !Unpack(bytes, unpacked, sequence)) {
            ++damaged;
            continue;
        }
        if (newest < 0 || sequence > newestSequence) {
            newest = copy;
            newestSequence = sequence;
            content = std::move(unpacked);
        }
    }
    m_known = true;
    if (newest >= 0) {
        m_sequence = newestSequence;
        m_next = 1 - newest;
    }
    return newest >= 0 ? 1 : found == 0 ? 0 : -1;
}

int CDurableFile::Write(const std::string& content) {
    if (m_path.empty()) return 0;
    if (!m_known) {
        std::string ignored;
        int damaged = 0;
        Read(ignored, damaged);
    }
    std::string bytes(kMagic, sizeof kMagic);
    PutNumber(bytes, m_sequence + 1, 8);
    PutNumber(bytes, content.size(), 8);
    PutNumber(bytes, Fnv1a(content.data(), content.size()), 4);
    bytes += content;
    if (!WriteCopy(m_path + "." + std::to_string(m_next), bytes)) return 0;
    ++m_sequence;
    m_next = 1 - m_next;
    return 1;
}
