#include "sensing/browser_report.h"

#include <cstring>

namespace {
void Put(char*& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        *out++ = static_cast<char>((value >> (8 * i)) & 0xFF);
}

uint64_t Get(const char*& data, int bytes) {
    uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(data[i]);
    data += bytes;
    return value;
}

bool KnownKind(uint32_t kind) { return kind == CBrowserReport::kShown || kind == CBrowserReport::kClosed; }
}  // namespace

size_t EncodeBrowserReport(const CBrowserReport& report, char* out) {
    if (!KnownKind(report.kind) || report.url.size() > CBrowserReport::kMaxUrl ||
        report.title.size() > CBrowserReport::kMaxTitle)
        return 0;
    char* next = out;
    Put(next, report.kind, 4);
    Put(next, report.processId, 4);
    Put(next, static_cast<uint64_t>(report.windowId), 8);
    Put(next, report.url.size(), 4);
    std::memcpy(next, report.url.data(), report.url.size());
    next += report.url.size();
    std::memcpy(next, report.title.data(), report.title.size());
    return static_cast<size_t>(next - out) + report.title.size();
}

bool DecodeBrowserReport(const char* data, size_t size, CBrowserReport& report) {
    if (!data || size < CBrowserReport::kHeaderSize) return false;
    const char* next = data;
    const uint32_t kind = static_cast<uint32_t>(Get(next, 4));
    const uint32_t processId = static_cast<uint32_t>(Get(next, 4));
    const int64_t windowId = static_cast<int64_t>(Get(next, 8));
    const uint64_t urlLength = Get(next, 4);
    const size_t texts = size - CBrowserReport::kHeaderSize;
    if (!KnownKind(kind) || urlLength > CBrowserReport::kMaxUrl || urlLength > texts ||
        texts - urlLength > CBrowserReport::kMaxTitle)
        return false;
    report.kind = kind;
    report.processId = processId;
    report.windowId = windowId;
    report.url = std::string_view(next, urlLength);
    report.title = std::string_view(next + urlLength, texts - urlLength);
    return true;
}
