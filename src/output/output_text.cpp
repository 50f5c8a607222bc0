#include "output/output_text.h"

#include <cstdint>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string_view>

#include "platform/text.h"

namespace {
// The length of the well-formed UTF-8 sequence at text[at]; 0 when the bytes
// there are not one (a stray continuation byte, a cut or overlong sequence,
// a surrogate or a code point above U+10FFFF).
size_t SequenceLength(const std::string& text, size_t at) {
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    size_t length;
    uint32_t least;
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, least = 0x10000;
    } else {
        return 0;
    }
    if (text.size() - at < length) return 0;
    uint32_t code = lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        const unsigned char next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80) return 0;
        code = code << 6 | (next & 0x3F);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

// Calls show(piece, columns) for each character of `text` as a terminal may
// show it (the character itself, one column, or its escape) until show
// returns false.
template <class Show>
void VisitShown(const std::string& text, Show show) {
    for (size_t at = 0; at < text.size();) {
        const size_t length = SequenceLength(text, at);
        const unsigned char lead = static_cast<unsigned char>(text[at]);
        char escape[8];
        bool shown;
        if (length == 0 || lead < 0x20 || lead == 0x7F) {
            std::snprintf(escape, sizeof escape, "\\x%02x", lead);
            shown = show(std::string_view(escape), 4);
        } else if (length == 2 && lead == 0xC2 && static_cast<unsigned char>(text[at + 1]) < 0xA0) {
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned char>(text[at + 1]));
            shown = show(std::string_view(escape), 6);
        } else {
            shown = show(std::string_view(text).substr(at, length), 1);
        }
        if (!shown) return;
        at += length ? length : 1;
    }
}
}  // namespace

std::string CsvField(const std::string& text) {
    const bool formula = !text.empty() && std::string_view("=+-@\t\r").find(text[0]) != std::string_view::npos;
    const std::string cell = formula ? "'" + text : text;
    if (cell.find_first_of(",\"\r\n") == std::string::npos) return cell;
    std::string quoted = "\"";
    for (char c : cell) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string JsonString(const std::string& utf8) {
    return nlohmann::json(utf8).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string HtmlText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string TerminalText(const std::string& utf8) {
    std::string shown;
    shown.reserve(utf8.size());
    VisitShown(utf8, [&shown](std::string_view piece, size_t) {
        shown += piece;
        return true;
    });
    return shown;
}

std::string NarrowTerminalText(const char* narrow) { return TerminalText(NarrowToUtf8(narrow)); }

size_t TerminalWidth(const std::string& utf8) {
    size_t columns = 0;
    VisitShown(utf8, [&columns](std::string_view, size_t width) {
        columns += width;
        return true;
    });
    return columns;
}

std::string Cell(const std::string& utf8, size_t width, bool alignRight) {
    const bool cut = TerminalWidth(utf8) > width;
    // A cut text keeps what fits in width - 1 columns and ends with "~".
    const size_t room = cut && width > 0 ? width - 1 : width;
    std::string cell;
    size_t used = 0;
    VisitShown(utf8, [&](std::string_view piece, size_t columns) {
        if (used + columns > room) return false;
        cell += piece;
        used += columns;
        return true;
    });
    if (cut && width > 0) {
        cell += '~';
        ++used;
    }
    const std::string padding(width - used, ' ');
    return alignRight ? padding + cell : cell + padding;
}
