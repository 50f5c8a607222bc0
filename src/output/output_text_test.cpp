// The terminal form of texts that are not what they claim: bytes that are
// not UTF-8, the edges of the C1 range, and cuts that would split a
// character or an escape.
#include "output/output_text.h"

#include <gtest/gtest.h>

namespace {
TEST(TerminalText, EscapesEveryByteAndCharacterATerminalCouldActOnAndCutsBetweenWholeOnes) {
    EXPECT_EQ(TerminalText("\x9b[2J"), "\\x9b[2J");              // a lone 8-bit CSI
    EXPECT_EQ(TerminalText("\xc0\x9b"), "\\xc0\\x9b");           // an overlong form of ESC
    EXPECT_EQ(TerminalText("\xed\xa0\x80"), "\\xed\\xa0\\x80");  // a surrogate
    EXPECT_EQ(TerminalText("a\xe2\x82"), "a\\xe2\\x82");         // a character cut off at the end
    EXPECT_EQ(TerminalText("\xc2\x80\xc2\x9f\xc2\xa0\xe2\x82\xac"), "\\u0080\\u009f\xc2\xa0\xe2\x82\xac");
    EXPECT_EQ(TerminalWidth("\x1b\xc2\x9b\xc3\xa4"), 11u);

    EXPECT_EQ(Cell("\xc3\xa4\xc3\xa4\xc3\xa4", 2), "\xc3\xa4~");
    EXPECT_EQ(Cell("ab\x1b", 5), "ab~  ");
    EXPECT_EQ(Cell("ab\x1b", 6, true), "ab\\x1b");
    EXPECT_EQ(Cell("ab", 0), "");
}
}  // namespace
