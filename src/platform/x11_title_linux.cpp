#include "platform/x11_title_linux.h"

#include <X11/Xatom.h>

#include <cstring>

#include "platform/x11_connection_linux.h"

namespace {
// The length of the UTF-8 character that starts at `text` (`left` bytes are
// there): 1 to 4 when it is well formed; 0 when it is malformed (overlong
// forms, surrogates and values above U+10FFFF included); -1 when it is a
// well-formed beginning that `left` cuts short.
int CharacterLength(const unsigned char* text, size_t left) {
    const unsigned char lead = text[0];
    if (lead < 0x80) return 1;
    int length = 0;
    unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    for (int i = 1; i < length; ++i) {
        if (static_cast<size_t>(i) >= left) return -1;
        const unsigned char next = text[i];
        if (next < (i == 1 ? low : 0x80) || next > (i == 1 ? high : 0xBF)) return 0;
    }
    return length;
}
}  // namespace

std::string DecodeWindowTitle(const unsigned char* bytes, size_t count, ETitleEncoding encoding, bool cutShort) {
    std::string title;
    if (!bytes) return title;
    if (const void* nul = std::memchr(bytes, 0, count)) {
        count = static_cast<size_t>(static_cast<const unsigned char*>(nul) - bytes);
        cutShort = false;
    }
    title.reserve(count);
    for (size_t i = 0; i < count;) {
        const unsigned char c = bytes[i];
        if (encoding == ETitleEncoding::Latin1) {
            if (c < 0x80) {
                title += static_cast<char>(c);
            } else {
                title += static_cast<char>(0xC0 | (c >> 6));
                title += static_cast<char>(0x80 | (c & 0x3F));
            }
            ++i;
            continue;
        }
        const int length = CharacterLength(bytes + i, count - i);
        if (length > 0) {
            title.append(reinterpret_cast<const char*>(bytes + i), static_cast<size_t>(length));
            i += static_cast<size_t>(length);
        } else if (length < 0 && cutShort) {
            break;
        } else {
            title += '?';
            ++i;
        }
    }
    return title;
}

bool ReadWindowTitle(CX11Session& x, unsigned long window, std::string& title) {
    if (!x || window == None) return false;
    CX11Property name;
    if (x.ReadProperty(window, x.Atoms().netWmName, kMaxTitleBytes, name) && name.format == 8 &&
        name.type == x.Atoms().utf8String) {
        title = DecodeWindowTitle(name.data, name.count, ETitleEncoding::Utf8, name.bytesAfter > 0);
        return true;
    }
    if (!x.ReadProperty(window, XA_WM_NAME, kMaxTitleBytes, name) || name.format != 8) return false;
    const auto encoding = name.type == x.Atoms().utf8String ? ETitleEncoding::Utf8 : ETitleEncoding::Latin1;
    title = DecodeWindowTitle(name.data, name.count, encoding, name.bytesAfter > 0);
    return true;
}
