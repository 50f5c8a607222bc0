#include "storage/string_service.h"

#include <gtest/gtest.h>

#include <cstring>

#include "storage/db_site.h"

namespace {
int Len(const char* text) { return static_cast<int>(std::strlen(text)); }

TEST(BuildSelect, JoinsTheGivenClausesInOrder) {
    CSqlText sql;
    ASSERT_EQ(CStringService::BuildSelect(sql, "select a", 8, "from T_X", 8, nullptr, 0, nullptr, 0, "order by a desc",
                                          15, "limit 1", 7, 0),
              1);
    EXPECT_STREQ(sql.Get(), "select a from T_X order by a desc limit 1");
    ASSERT_EQ(CStringService::BuildSelect(sql, "select a", 8, "from T", 6, "where b=1", 9, "group by a", 10,
                                          "order by a", 0, "limit 2", 7, 0),
              1);
    EXPECT_STREQ(sql.Get(), "select a from T where b=1 group by a limit 2");
    // Lengths may be capacities larger than the texts.
    EXPECT_EQ(CStringService::BuildSelect(sql, "select a", 100, "from T", 100, "where b=1", 100, nullptr, 0, nullptr, 0,
                                          nullptr, 0, 0),
              1);
    EXPECT_STREQ(sql.Get(), "select a from T where b=1");
}

TEST(BuildSelect, RefusesMissingClausesAndTextsLongerThanTheirLengths) {
    CSqlText sql;
    EXPECT_EQ(
        CStringService::BuildSelect(sql, nullptr, 8, "from T", 6, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0, 0),
        -1);
    EXPECT_EQ(
        CStringService::BuildSelect(sql, "select a", 8, "from T", 0, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0, 0),
        -1);
    EXPECT_EQ(CStringService::BuildSelect(sql, "select a", 8, "from T", 6, nullptr, 0, nullptr, 0, nullptr, 0, nullptr,
                                          0, -1),
              -1);
    const char* longWhere = "where a_very_long_condition = 1 and another_one = 2";
    EXPECT_EQ(CStringService::BuildSelect(sql, "select a", 8, "from T", 6, longWhere, 5, nullptr, 0, nullptr, 0,
                                          nullptr, 0, 0),
              -5);
    EXPECT_LE(std::strlen(sql.Get()), static_cast<size_t>(sql.Capacity()));
    EXPECT_EQ(CStringService::BuildSelect(sql, "select a", 8, "from T", 6, longWhere, 5, nullptr, 0, nullptr, 0,
                                          nullptr, 0, Len(longWhere)),
              1);
}

TEST(MatchWildcard, StarsAndQuestionMarks) {
    EXPECT_EQ(CStringService::MatchWildcard("a?c", "abc"), 1);
    EXPECT_EQ(CStringService::MatchWildcard("ab*", "ab"), 1);
    EXPECT_EQ(CStringService::MatchWildcard("ab*", "a"), 0);
    EXPECT_EQ(CStringService::MatchWildcard("*c", "abcc"), 1);
    EXPECT_EQ(CStringService::MatchWildcard("A*", "abc"), 0);
    EXPECT_EQ(CStringService::MatchWildcard("*ab", "aab"), 1);
    EXPECT_EQ(CStringService::MatchWildcard("a*b*c", "aXbYbZc"), 1);
    EXPECT_EQ(CStringService::MatchWildcard("a*b*c", "aXbYbZ"), 0);
    EXPECT_EQ(CStringService::MatchWildcard("?", ""), 0);
    EXPECT_EQ(CStringService::MatchWildcard("**", ""), 1);
    EXPECT_EQ(CStringService::MatchWildcard("abc", "ab"), 0);
    EXPECT_EQ(CStringService::MatchWildcard(nullptr, "a"), 0);
}

std::string Site(const char* url) { return CDBSite(0, url).GetURL(); }

TEST(ReduceToSite, KeepsSchemeAndHostOnly) {
    EXPECT_EQ(Site("https://mail.example.com:8443/inbox/a?q=1"), "https://mail.example.com");
    EXPECT_EQ(Site("http://mail.example.com/inbox"), "http://mail.example.com");
    EXPECT_EQ(Site("www.example.com/path/page.html"), "www.example.com");
    EXPECT_EQ(Site("file:///C:/Users/doc.html"), "file:///C");
    EXPECT_EQ(Site("ftp://files.example.org/pub"), "ftp://files.example.org");
    EXPECT_EQ(Site("HTTPS://Example.com/x"), "HTTPS");  // scheme patterns are case-sensitive
    EXPECT_EQ(Site("http://host name/x"), "http://host");
    EXPECT_EQ(Site("https://host\\share"), "https://host");
    EXPECT_EQ(Site(""), "");
}

TEST(ReduceToSite, BoundsAndMissingArguments) {
    char out[8];
    EXPECT_EQ(CDBSite::ReduceToSite("https://example.com", 19, out, sizeof out), 1);
    EXPECT_STREQ(out, "https:/");
    char wide[64];
    EXPECT_EQ(CDBSite::ReduceToSite("https://example.com/x", 12, wide, sizeof wide), 1);
    EXPECT_STREQ(wide, "https://exam");
    EXPECT_EQ(CDBSite::ReduceToSite(nullptr, 5, out, sizeof out), -1);
    EXPECT_EQ(CDBSite::ReduceToSite("a", 1, nullptr, 5), -1);
    EXPECT_EQ(CDBSite::ReduceToSite("a", 0, out, sizeof out), -1);
    EXPECT_EQ(CDBSite::ReduceToSite("a", 1, out, 0), -1);
    const std::string longHost = "https://" + std::string(400, 'h') + ".com/";
    EXPECT_EQ(Site(longHost.c_str()).size(), 254u);
}
// ---- The keyword match of the rules ----

int Keywords(const std::string& pattern, const std::string& text, int patternMax = 255, int textMax = 261) {
    return CStringService::MatchKeywords(pattern.c_str(), patternMax, text.c_str(), textMax);
}

TEST(MatchKeywords, EveryWordMustOccurInTheLoweredTextInAnyOrder) {
    EXPECT_EQ(Keywords("budget report", "Report on the BUDGET"), 1);
    EXPECT_EQ(Keywords("report budget", "Report on the BUDGET"), 1);
    EXPECT_EQ(Keywords("budget report", "The budget"), -52);
    EXPECT_EQ(Keywords("excel.exe", "C:\\Office\\EXCEL.EXE"), 1);
    // The words are not lowered: a capital never matches.
    EXPECT_EQ(Keywords("Budget", "Budget"), -52);
    // Only A to Z are lowered; other characters must match as they are.
    EXPECT_EQ(Keywords("\xC3\xA9t\xC3\xA9", "Rapport d'\xC3\xA9t\xC3\xA9"), 1);
}

TEST(MatchKeywords, BlanksSeparateWordsOneAtATime) {
    EXPECT_EQ(Keywords("budget  report", "budget report"), -52);
    EXPECT_EQ(Keywords(" budget", "budget"), -52);
    EXPECT_EQ(Keywords("budget ", "budget"), 1);
    EXPECT_EQ(Keywords(" ", "anything"), -52);
    // Seven words count; an eighth is ignored.
    EXPECT_EQ(Keywords("a b c d e f g zzz", "abcdefg"), 1);
    EXPECT_EQ(Keywords("a b c d e f zzz", "abcdefg"), -52);
}

TEST(MatchKeywords, WordsAndTextAreCutToTheirWindows) {
    // A word is sought by its first 64 characters.
    const std::string word(64, 'w');
    EXPECT_EQ(Keywords(word + "tail", "x" + word + "x"), 1);
    // Only the first 260 characters of the text are searched.
    EXPECT_EQ(Keywords("end", std::string(257, 'x') + "end"), 1);
    EXPECT_EQ(Keywords("end", std::string(258, 'x') + "end"), -52);
    EXPECT_EQ(Keywords("end", std::string(10, 'x') + "end", 255, 12), -52);
    // The pattern counts up to its maximum less one.
    EXPECT_EQ(Keywords("abc zzz", "abc", 4), 1);
}

TEST(MatchKeywords, MissingOrEmptyArgumentsAreRefused) {
    EXPECT_EQ(CStringService::MatchKeywords(nullptr, 10, "text", 10), -1);
    EXPECT_EQ(CStringService::MatchKeywords("word", 10, nullptr, 10), -1);
    EXPECT_EQ(Keywords("", "text"), -1);
    EXPECT_EQ(Keywords("word", ""), -1);
    EXPECT_EQ(Keywords("word", "word", 0), -1);
    EXPECT_EQ(Keywords("word", "word", 10, 0), -1);
}
}  // namespace
