#pragma once
// The browser's side of native messaging: each message is a 32-bit length in
// the machine's byte order followed by that many bytes of UTF-8 JSON, on the
// host's standard input (from the browser) and output (to the browser).
//
// Memory stays bounded whatever arrives: a message longer than the reader's
// limit is read past in small pieces and reported, never held.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

class CNativeMessageReader {
public:
    // Reads up to `size` bytes into `buffer`, blocking; fewer only at the end
    // of the input (or on an error, which counts as the end).
    using Source = std::function<size_t(char* buffer, size_t size)>;

    enum class EResult {
        Message,  // a whole message is in `message`
        TooLong,  // a message longer than the limit was read past; `length` tells its size
        End,      // the input ended (also within a length or a message)
    };

    CNativeMessageReader(Source source, uint32_t maxMessage) : m_source(std::move(source)), m_max(maxMessage) {}

    EResult Next(std::string& message, uint32_t& length);

private:
    Source m_source;
    uint32_t m_max;
};

// Writes one message to `out` and flushes it. False when the output is gone.
bool WriteNativeMessage(std::FILE* out, const std::string& json);
