#include "platform/registry_file.h"

#include <algorithm>

#include "platform/registry.h"

namespace {
constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualNoCase(text.substr(0, prefix.size()), prefix);
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    return s;
}

std::string_view Trim(std::string_view s) {
    s = TrimLeft(s);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = LowerAscii(c);
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The whole of `digits` as a hexadecimal number of 1 to 8 digits.
bool ParseHexNumber(std::string_view digits, uint32_t& value) {
    if (digits.empty() || digits.size() > 8) return false;
    value = 0;
    for (char c : digits) {
        const int digit = HexDigit(c);
        if (digit < 0) return false;
        value = value << 4 | static_cast<uint32_t>(digit);
    }
    return true;
}

// Splits text into lines, dropping the LF and a CR before it. A final LF
// ends the last line rather than starting an empty one.
class CLines {
public:
    explicit CLines(std::string_view text) : m_rest(text) {}
    bool Next(std::string_view& line) {
        if (m_done || m_rest.empty()) return false;
        const size_t end = m_rest.find('\n');
        if (end == std::string_view::npos) {
            line = m_rest;
            m_done = true;
        } else {
            line = m_rest.substr(0, end);
            m_rest.remove_prefix(end + 1);
        }
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        return true;
    }

private:
    std::string_view m_rest;
    bool m_done = false;
};

// Reads a quoted text at the start of `s` (which begins with '"'), undoing
// the \\ and \" escapes, and leaves `s` after the closing quote.
bool ParseQuoted(std::string_view& s, std::string& out) {
    for (size_t i = 1; i < s.size(); ++i) {
        char c = s[i];
        if (c == '"') {
            s.remove_prefix(i + 1);
            return true;
        }
        if (c == '\\') {
            if (++i == s.size()) return false;
            c = s[i];
            if (c != '\\' && c != '"') return false;
        }
        out.push_back(c);
    }
    return false;
}

enum class HexLine { kDone, kContinued, kBad };

// Appends the comma-separated bytes of one line of hex data; a final '\'
// announces that the data goes on in the next line.
HexLine ParseHexBytes(std::string_view s, std::vector<uint8_t>& out) {
    for (;;) {
        s = TrimLeft(s);
        if (s.empty()) return HexLine::kDone;
        if (s.front() == '\\') return Trim(s.substr(1)).empty() ? HexLine::kContinued : HexLine::kBad;
        const int high = HexDigit(s.front());
        if (high < 0) return HexLine::kBad;
        s.remove_prefix(1);
        int byte = high;
        if (!s.empty() && HexDigit(s.front()) >= 0) {
            byte = high << 4 | HexDigit(s.front());
            s.remove_prefix(1);
        }
        out.push_back(static_cast<uint8_t>(byte));
        s = TrimLeft(s);
        if (s.empty()) return HexLine::kDone;
        if (s.front() == ',') {
            s.remove_prefix(1);
        } else if (s.front() != '\\') {
            return HexLine::kBad;
        }
    }
}

// A key path of one or more non-empty names separated by single backslashes.
bool IsValidKeyPath(std::string_view path) {
    if (path.empty() || path.front() == '\\' || path.back() == '\\') return false;
    return path.find("\\\\") == std::string_view::npos;
}

// True when `path` is `key` itself or lies below it.
bool IsAtOrBelow(std::string_view path, std::string_view key) {
    if (path.size() == key.size()) return EqualNoCase(path, key);
    return path.size() > key.size() && path[key.size()] == '\\' && EqualNoCase(path.substr(0, key.size()), key);
}

void AppendUtf8(uint32_t code, std::string& out) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | code >> 6));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | code >> 12));
        out.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | code >> 18));
        out.push_back(static_cast<char>(0x80 | (code >> 12 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

// UTF-16LE (without its byte-order mark) to UTF-8; false for an odd number
// of bytes or a surrogate without its partner.
bool Utf16LeToUtf8(const uint8_t* bytes, size_t size, std::string& out) {
    if (size % 2 != 0) return false;
    out.reserve(size);
    for (size_t i = 0; i < size; i += 2) {
        uint32_t code = static_cast<uint32_t>(bytes[i] | bytes[i + 1] << 8);
        if (code >= 0xDC00 && code <= 0xDFFF) return false;
        if (code >= 0xD800 && code <= 0xDBFF) {
            if (i + 4 > size) return false;
            const uint32_t low = static_cast<uint32_t>(bytes[i + 2] | bytes[i + 3] << 8);
            if (low < 0xDC00 || low > 0xDFFF) return false;
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        }
        AppendUtf8(code, out);
    }
    return true;
}
}  // namespace

int CRegistryFile::Parse(const void* bytes, size_t size) {
    m_keys.clear();
    const auto* data = static_cast<const uint8_t*>(bytes);
    bool parsed;
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        std::string text;
        parsed = Utf16LeToUtf8(data + 2, size - 2, text) && ParseText(text);
    } else {
        if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) {
            data += 3;
            size -= 3;
        }
        parsed = ParseText(std::string_view(reinterpret_cast<const char*>(data), size));
    }
    if (parsed) return 1;
    m_keys.clear();
    return 0;
}

bool CRegistryFile::ParseText(std::string_view text) {
    CLines lines(text);
    std::string_view line;
    if (!lines.Next(line) || Trim(line) != kHeader) return false;

    constexpr size_t kNone = static_cast<size_t>(-1);
    size_t current = kNone;     // index of the key the values belong to
    bool inRemovedKey = false;  // values under a removed key are checked and dropped
    while (lines.Next(line)) {
        line = Trim(line);
        if (line.empty() || line.front() == ';') continue;

        if (line.front() == '[') {
            if (line.back() != ']') return false;
            std::string_view path = line.substr(1, line.size() - 2);
            inRemovedKey = !path.empty() && path.front() == '-';
            if (inRemovedKey) path.remove_prefix(1);
            if (!IsValidKeyPath(path)) return false;
            if (inRemovedKey) {
                RemoveKey(path);
                current = kNone;
            } else {
                current = KeyIndex(path);
            }
            continue;
        }

        if (current == kNone && !inRemovedKey) return false;  // a value outside any key
        Value value;
        std::string_view rest = line;
        if (rest.front() == '@') {
            rest.remove_prefix(1);
        } else if (rest.front() != '"' || !ParseQuoted(rest, value.name)) {
            return false;
        }
        rest = TrimLeft(rest);
        if (rest.empty() || rest.front() != '=') return false;
        rest = TrimLeft(rest.substr(1));
        if (rest.empty()) return false;

        bool remove = false;
        if (rest == "-") {
            remove = true;
        } else if (rest.front() == '"') {
            std::string text;
            if (!ParseQuoted(rest, text) || !Trim(rest).empty()) return false;
            value.type = REGISTRY_TYPE_STRING;
            value.data.assign(text.begin(), text.end());
            value.data.push_back(0);
        } else if (StartsWithNoCase(rest, "dword:")) {
            uint32_t number;
            if (!ParseHexNumber(rest.substr(6), number)) return false;
            value.type = REGISTRY_TYPE_DWORD;
            for (int shift = 0; shift < 32; shift += 8)
                value.data.push_back(static_cast<uint8_t>(number >> shift));
        } else if (StartsWithNoCase(rest, "hex")) {
            rest.remove_prefix(3);
            value.type = REGISTRY_TYPE_BINARY;
            if (!rest.empty() && rest.front() == '(') {
                const size_t close = rest.find(')');
                if (close == std::string_view::npos || !ParseHexNumber(rest.substr(1, close - 1), value.type))
                    return false;
                rest.remove_prefix(close + 1);
            }
            if (rest.empty() || rest.front() != ':') return false;
            rest.remove_prefix(1);
            for (;;) {
                const HexLine result = ParseHexBytes(rest, value.data);
                if (result == HexLine::kBad) return false;
                if (result == HexLine::kDone) break;
                if (!lines.Next(rest)) return false;  // a continuation at the end of the file
            }
        } else {
            return false;
        }

        if (current == kNone) continue;
        std::vector<Value>& values = m_keys[current].values;
        auto same =
            std::find_if(values.begin(), values.end(), [&](const Value& v) { return EqualNoCase(v.name, value.name); });
        if (remove) {
            if (same != values.end()) values.erase(same);
        } else if (same != values.end()) {
            *same = std::move(value);
        } else {
            values.push_back(std::move(value));
        }
    }
    return true;
}

size_t CRegistryFile::KeyIndex(std::string_view path) {
    for (size_t i = 0; i < m_keys.size(); ++i)
        if (EqualNoCase(m_keys[i].path, path)) return i;
    m_keys.push_back(Key{std::string(path), {}});
    return m_keys.size() - 1;
}

void CRegistryFile::RemoveKey(std::string_view path) {
    std::erase_if(m_keys, [&](const Key& key) { return IsAtOrBelow(key.path, path); });
}

bool CRegistryFile::HasKey(std::string_view keyPath) const {
    if (keyPath.empty()) return false;
    return std::any_of(m_keys.begin(), m_keys.end(), [&](const Key& key) { return IsAtOrBelow(key.path, keyPath); });
}

const CRegistryFile::Value* CRegistryFile::FindValue(std::string_view keyPath, std::string_view valueName) const {
    for (const Key& key : m_keys) {
        if (!EqualNoCase(key.path, keyPath)) continue;
        for (const Value& value : key.values)
            if (EqualNoCase(value.name, valueName)) return &value;
    }
    return nullptr;
}
