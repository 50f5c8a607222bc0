#pragma once
// Window titles as X11 clients store them, turned into the collector's
// narrow text on Linux: valid UTF-8.

#include <cstddef>
#include <string>

class CX11Session;

enum class ETitleEncoding {
    Utf8,    // UTF8_STRING (_NET_WM_NAME, and WM_NAME of some clients)
    Latin1,  // STRING: ISO 8859-1, also the starting character set of COMPOUND_TEXT
};

// Decodes `count` bytes of a title property; the title ends at the first NUL.
// UTF-8 text is kept as it is except that every byte that does not belong to
// a well-formed character becomes '?', so what the collector stores is always
// valid UTF-8 and every later cut can find character boundaries. `cutShort`:
// the property is longer than the bytes read, so a character left incomplete
// at the end is dropped instead of replaced.
std::string DecodeWindowTitle(const unsigned char* bytes, size_t count, ETitleEncoding encoding, bool cutShort);

// The title of `window` as the desktop service gives it: _NET_WM_NAME when it
// is UTF8_STRING text, else WM_NAME (STRING or UTF8_STRING), decoded as
// above, at most the first kMaxTitleBytes bytes. False when the window has
// neither or cannot be read.
inline constexpr long kMaxTitleBytes = 4096;
bool ReadWindowTitle(CX11Session& x, unsigned long window, std::string& title);  // window: an X11 Window
