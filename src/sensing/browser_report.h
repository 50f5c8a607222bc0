#pragma once
// What the browser extension's native messaging host tells the collector
// about one browser window, and its form on the local channel.
//
// A report names the browser's process (the one that started the host, which
// owns the browser's windows), the browser's own id of the window, and what
// the window shows: the address and title of its active tab (kind Shown), or
// that it has closed (kind Closed). Private windows are never reported.
//
// Encoded as one channel message: kind (32 bits), process id (32 bits),
// window id (64 bits), address length (32 bits), all little-endian, then the
// address bytes and the title bytes up to the end. Texts are UTF-8.

#include <cstddef>
#include <cstdint>
#include <string_view>

struct CBrowserReport {
    enum Kind : uint32_t { kShown = 1, kClosed = 2 };
    // Longest texts carried; the host cuts longer ones (on a character boundary).
    static constexpr size_t kMaxUrl = 2048;
    static constexpr size_t kMaxTitle = 1024;
    static constexpr size_t kHeaderSize = 20;
    static constexpr size_t kMaxEncodedSize = kHeaderSize + kMaxUrl + kMaxTitle;

    uint32_t kind = kShown;
    uint32_t processId = 0;
    int64_t windowId = 0;
    std::string_view url;
    std::string_view title;
};

// Writes the report into `out` (room for kMaxEncodedSize bytes); the number
// of bytes written, 0 when a text is longer than its maximum or the kind is
// unknown.
size_t EncodeBrowserReport(const CBrowserReport& report, char* out);
// Reads a report from one message; its texts point into `data`. False for
// anything that is not a well-formed report.
bool DecodeBrowserReport(const char* data, size_t size, CBrowserReport& report);
