#pragma once
// Texts as the tools write them out for a reader: CSV cells, JSON strings,
// HTML text and the cells of tables shown on a terminal. The input is UTF-8
// (stored narrow texts pass through NarrowToUtf8 first) and may be hostile:
// a web page chooses its title, a JIRA server its issues' names. Each form
// keeps the text inert for its reader; the stored text itself never changes.

#include <cstddef>
#include <string>

// A CSV text cell: a text beginning with '=', '+', '-', '@', a tab or a
// carriage return, which a spreadsheet would run as a formula, gets a single
// quote in front; then the cell is quoted, with its quotes doubled, when it
// holds a comma, a quote or a line break (RFC 4180). For text cells only:
// numbers, durations and dates are written as they are and stay numbers.
std::string CsvField(const std::string& text);
// A JSON string literal, quotes included, holding the text intact; bytes
// that are not well-formed UTF-8 become U+FFFD.
std::string JsonString(const std::string& utf8);
// Text for HTML content and attribute values.
std::string HtmlText(const std::string& text);

// The text as a terminal may show it: control characters (C0, DEL) and bytes
// that are not well-formed UTF-8 become "\x1b", C1 controls (U+0080 to
// U+009F) "\u009b"; every other character stays as it is. Nothing in the
// result can move the cursor, recolour or retitle the terminal.
std::string TerminalText(const std::string& utf8);
// TerminalText of a narrow text of the target (a stored or fetched text: the
// ANSI code page on Windows, UTF-8 on Linux).
std::string NarrowTerminalText(const char* narrow);
// The columns TerminalText(utf8) takes: one per character.
size_t TerminalWidth(const std::string& utf8);
// TerminalText(utf8) as a table cell of `width` columns: when longer, cut to
// width - 1 columns and ended with "~" (never inside a character or an
// escape); padded with blanks on the right or, with `alignRight`, the left.
std::string Cell(const std::string& utf8, size_t width, bool alignRight = false);
