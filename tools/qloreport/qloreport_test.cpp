// qloreport run in-process on a sample data folder: the command line, totals
// against sums worked out from the rows, the day's rows, the HTML page's
// tables, and the answers to missing or broken data.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <vector>

#include "output/report_text.h"
#include "qloreport/qloreport_run.h"
#include "qloreport/report_options.h"
#include "support/activity_folder.h"
#include "support/console_tool_run.h"
#include "support/temp_folder.h"

namespace {
// Tuesday 8 December 2026, 10:30.
constexpr int64_t kToday = 20261208103000;

using CRun = CToolRun;

class Qloreport : public ::testing::Test {
protected:
    CTempFolder temp;
    CSampleFolder sample{temp.Str()};

    // qloreport with `args` on the sample folder.
    CRun Run(std::vector<std::string> args, bool withData = true) {
        if (withData) {
            args.push_back("--data");
            args.push_back(temp.Str());
        }
        return RunConsoleTool(RunQloreport, args);
    }
    static std::vector<std::string> Range() { return {"--from", "2026-01-15", "--to", "2026-04-15"}; }
};

// "from..to" of a parsed command line, or its error.
std::string Parsed(std::vector<const char*> args) {
    args.insert(args.begin(), "qloreport");
    CCommandLine line;
    CReportOptions options;
    std::string error;
    if (!ParseReportOptions(static_cast<int>(args.size()), args.data(), kToday, line, options, error)) return error;
    return std::to_string(options.from) + ".." + std::to_string(options.to);
}

TEST(QloreportCommandLine, DatesAndPeriodsMakeTheRangeAndBadInputIsRefused) {
    EXPECT_EQ(Parsed({"totals"}), "20261208000000..20261208235959");
    EXPECT_EQ(Parsed({"totals", "--from", "week"}), "20261207000000..20261213235959");
    EXPECT_EQ(Parsed({"totals", "--from", "month"}), "20261201000000..20261231235959");
    EXPECT_EQ(Parsed({"totals", "--from", "last-month"}), "20261101000000..20261130235959");
    EXPECT_EQ(Parsed({"totals", "--to", "yesterday"}), "20261207000000..20261207235959");
    EXPECT_EQ(Parsed({"totals", "--from=2026-02-27"}), "20260227000000..20261208235959");
    EXPECT_EQ(Parsed({"html", "--from", "2024-02-28", "--to", "2024-02-29"}), "20240228000000..20240229235959");
    EXPECT_EQ(Parsed({"day", "yesterday"}), "20261207000000..20261207235959");
    CCommandLine line;
    CReportOptions options;
    std::string error;
    const char* explain[] = {"qloreport", "--at", "2026-03-15 08:10:30", "explain"};
    ASSERT_TRUE(ParseReportOptions(4, explain, kToday, line, options, error));
    EXPECT_EQ(options.at, 20260315081030);

    EXPECT_EQ(Parsed({"total"}), "unknown command 'total'");
    EXPECT_EQ(Parsed({"day", "--by", "app"}), "'--by' is an option of totals, not of day");
    EXPECT_EQ(Parsed({"explain", "--server", "host=h"}),
              "'--server' is an option of totals, day, html, approve, held, budget and budgets, not of explain");
    EXPECT_EQ(Parsed({"totals", "--from", "2026-02-30"}).substr(0, 21), "bad date '2026-02-30'");
    EXPECT_EQ(Parsed({"totals", "--from", "today", "--to", "yesterday"}), "--from today is after --to yesterday");
    EXPECT_EQ(Parsed({"totals", "--top", "0"}), "--top takes a number of groups, not '0'");
    EXPECT_EQ(Parsed({"totals", "--format"}), "option '--format' needs a value");
    EXPECT_EQ(Parsed({"day", "week"}).substr(0, 15), "bad day 'week':");
    EXPECT_EQ(Parsed({"explain", "--at", "2026-03-15 25:00:00"}).substr(0, 4), "--at");
}

TEST_F(Qloreport, TotalsOfEveryGroupingEqualTheRowsSumsWithNamesAndTheMissingMonthNoted) {
    const std::pair<const char*, ReportGrouping> groupings[] = {
        {"type", ReportGrouping::ActivityType}, {"app", ReportGrouping::App},         {"user", ReportGrouping::User},
        {"site", ReportGrouping::Site},         {"project", ReportGrouping::Project}, {"task", ReportGrouping::Task}};
    for (const auto& [by, grouping] : groupings) {
        std::vector<std::string> args{"totals", "--by", by, "--format", "json"};
        for (const std::string& arg : Range())
            args.push_back(arg);
        const CRun run = Run(args);
        ASSERT_EQ(run.status, 0) << run.err;
        const nlohmann::json json = nlohmann::json::parse(run.out);
        std::map<int32_t, int64_t> seconds;
        int64_t total = 0;
        for (const auto& group : json["groups"]) {
            seconds[group["id"].get<int32_t>()] = group["seconds"].get<int64_t>();
            total += group["seconds"].get<int64_t>();
        }
        EXPECT_EQ(seconds, ExpectedTotals(sample.rows, grouping, CSampleFolder::kFrom, CSampleFolder::kTo)) << by;
        EXPECT_EQ(json["total"]["seconds"].get<int64_t>(), total) << by;
        EXPECT_EQ(json["missing"], nlohmann::json::array({"act0226.db"}));
        EXPECT_NE(run.err.find("act0226.db does not exist"), std::string::npos);
    }
    // Names as stored (quotes, commas, non-ASCII), in every format.
    std::vector<std::string> args{"totals", "--by", "project", "--format", "json"};
    args.insert(args.end(), {"--from", "2026-01-15", "--to", "2026-04-15"});
    const nlohmann::json projects = nlohmann::json::parse(Run(args).out);
    EXPECT_EQ(projects["groups"][0]["name"], "Internal");
    EXPECT_EQ(projects["groups"][1]["name"],
              "Kunde \"S\xc3\xbc"
              "d\", 'Nord'");
    args[4] = "csv";
    EXPECT_NE(Run(args).out.find("\n1,\"Kunde \"\"S\xc3\xbc"
                                 "d\"\", 'Nord'\","),
              std::string::npos);
    args = {"totals", "--by", "task", "--top", "1", "--from", "2026-01-15", "--to", "2026-04-15"};
    const std::string table = Run(args).out;
    // Over 2^32 seconds; the rest of the tasks on one line; a total line.
    EXPECT_NE(table.find("Internal / O'Brien  1666"), std::string::npos) << table;
    EXPECT_TRUE(std::regex_search(table, std::regex("\\(2 more\\) +[0-9]+:[0-9]{2}:[0-9]{2} +[0-9.]+%\n"))) << table;
    EXPECT_TRUE(std::regex_search(table, std::regex("Total +1666[0-9]+:[0-9]{2}:[0-9]{2}   100\\.0%\n"))) << table;
}

TEST_F(Qloreport, DayListsExactlyTheStoredRowsInTimeOrderThenTheTimePerType) {
    const CRun run = Run({"day", "2026-04-15", "--format", "json"});
    ASSERT_EQ(run.status, 0) << run.err;
    const nlohmann::json json = nlohmann::json::parse(run.out);
    std::vector<CStoredRow> expected;
    for (const CStoredRow& row : sample.rows)
        if (row.start / 1000000 == 20260415) expected.push_back(row);
    std::stable_sort(expected.begin(), expected.end(), [](const auto& a, const auto& b) { return a.start < b.start; });
    ASSERT_EQ(json["rows"].size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const auto& row = json["rows"][i];
        EXPECT_EQ(row["seconds"].get<int64_t>(), expected[i].duration);
        EXPECT_EQ(row["title"], expected[i].title);
        EXPECT_EQ(row["url"], expected[i].url);
    }
    EXPECT_EQ(json["rows"][0]["start"], "2026-04-15 07:00:00");
    EXPECT_EQ(json["rows"][3]["program"], "editor.exe");
    const auto types = ExpectedTotals(sample.rows, ReportGrouping::ActivityType, 20260415000000, 20260415235959);
    int64_t total = 0;
    for (const auto& [type, seconds] : types)
        total += seconds;
    EXPECT_EQ(json["total"]["seconds"].get<int64_t>(), total);
    EXPECT_EQ(json["types"][0], nlohmann::json::parse(R"({"type":"None","seconds":480,"time":"0:08:00"})"));

    const std::string table = Run({"day", "2026-04-15"}).out;
    EXPECT_NE(table.find("07:00:00-07:05:00  Idle     firefox.exe"), std::string::npos) << table;
}

TEST_F(Qloreport, TheHtmlPageIsSelfContainedAndHoldsTheTotals) {
    const CRun run = Run({"html", "--from", "2026-03-01", "--to", "2026-03-31"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.find("http://"), std::string::npos);
    EXPECT_EQ(run.out.find(" src="), std::string::npos);
    EXPECT_EQ(run.out.find(" href="), std::string::npos);
    const auto projects = ExpectedTotals(sample.rows, ReportGrouping::Project, 20260301000000, 20260331235959);
    std::map<int32_t, int64_t> shown;
    const std::regex row("<table data-by=\"project\">|<tr data-id=\"([0-9]+)\" data-seconds=\"([0-9]+)\"|</table>");
    bool inProjects = false;
    for (auto match = std::sregex_iterator(run.out.begin(), run.out.end(), row); match != std::sregex_iterator();
         ++match) {
        const std::string text = match->str();
        if (text.rfind("<table data-by=\"project\"", 0) == 0)
            inProjects = true;
        else if (text == "</table>")
            inProjects = false;
        else if (inProjects)
            shown[std::stoi((*match)[1])] = std::stoll((*match)[2]);
    }
    EXPECT_EQ(shown, projects);
    // The time recorded comes from the pass over the rows, made beside the tables' queries.
    int64_t recorded = 0;
    for (const auto& [user, seconds] :
         ExpectedTotals(sample.rows, ReportGrouping::User, 20260301000000, 20260331235959))
        recorded += seconds;
    EXPECT_NE(run.out.find(" of " + FormatDuration(recorded) + " recorded."), std::string::npos);
    // Kunde "Süd" escaped for HTML.
    EXPECT_NE(run.out.find("Kunde &quot;S\xc3\xbc"
                           "d&quot;, &#39;Nord&#39;"),
              std::string::npos);
}

// Texts chosen by strangers (a page's title, a site, a program, project and
// task names): a spreadsheet must not run them as formulas, a terminal must
// not act on their control characters, and JSON keeps them as stored.
TEST_F(Qloreport, HostileTextsAreInertInCsvAndOnTheTerminalAndIntactInJson) {
    const std::string formula = "=HYPERLINK(\"http://x\",\"<b>go</b>\")";
    // Retitles the terminal, recolours it, DEL, and the C1 control U+009D.
    const std::string sequences = "\x1b]0;owned\x07\x1b[31mred\x7f\xc2\x9d";
    const std::string shown = "\\x1b]0;owned\\x07\\x1b[31mred\\x7f\\u009d";
    const int32_t app = sample.data.AddApp("+cmd.exe", "C:\\+cmd.exe");
    const int32_t site = sample.data.AddSite("@evil.example");
    const int32_t project = sample.data.AddProject(formula);
    const int32_t task = sample.data.AddTask(project, "-2+3\x1b[2J");
    // Formulas led by a tab and a carriage return; a title cut inside the
    // escape of its ESC; the sequences alone.
    const std::string titles[] = {"\t=1+2", "\r=1+2\n", std::string(37, 'a') + sequences, sequences};
    std::vector<CStoredRow> rows;
    for (int i = 0; i < 4; ++i) {
        CStoredRow row;
        row.start = 20260505090000 + i * 1000, row.finish = row.start + 1000, row.duration = 600;
        row.title = titles[i], row.app = app, row.project = project, row.task = task, row.site = site;
        rows.push_back(row);
    }
    sample.data.AddRows(rows);

    const std::string csv = Run({"day", "2026-05-05", "--format", "csv"}).out;
    EXPECT_NE(csv.find(",600,Active,'+cmd.exe,'\t=1+2,'@evil.example,,"
                       "\"'=HYPERLINK(\"\"http://x\"\",\"\"<b>go</b>\"\")\",'-2+3\x1b[2J\n"),
              std::string::npos)
        << csv;
    EXPECT_NE(csv.find(",\"'\r=1+2\n\",'@evil"), std::string::npos) << csv;
    std::vector<std::string> args{"totals", "--by", "project", "--format", "csv", "--from", "2026-05-01"};
    args.insert(args.end(), {"--to", "2026-05-31"});
    EXPECT_NE(Run(args).out.find(",\"'=HYPERLINK(\"\"http://x\"\",\"\"<b>go</b>\"\")\",2400,0:40:00,100.00\n"),
              std::string::npos);

    const nlohmann::json json = nlohmann::json::parse(Run({"day", "2026-05-05", "--format", "json"}).out);
    EXPECT_EQ(json["rows"][0]["title"], "\t=1+2");
    EXPECT_EQ(json["rows"][3]["title"], sequences);
    EXPECT_EQ(json["rows"][3]["project"], formula);
    EXPECT_EQ(json["rows"][3]["program"], "+cmd.exe");

    // Tables show every control character escaped and cut between characters.
    args = {"totals", "--by", "task", "--from", "2026-05-01", "--to", "2026-05-31"};
    const std::string tables[] = {Run({"day", "2026-05-05"}).out, Run(args).out,
                                  Run({"explain", "--at", "2026-05-05 09:35:00"}).out};
    for (const std::string& table : tables)
        EXPECT_EQ(table.find_first_of("\x1b\x07\x7f\t\r"), std::string::npos) << table;
    for (const std::string& table : tables)
        EXPECT_EQ(table.find("\xc2\x9d"), std::string::npos) << table;
    EXPECT_NE(tables[0].find(" \\x09=1+2 "), std::string::npos) << tables[0];
    EXPECT_NE(tables[0].find(std::string(37, 'a') + "~    @evil.example "), std::string::npos) << tables[0];
    EXPECT_NE(tables[0].find(" " + shown + "     @evil.example "), std::string::npos) << tables[0];
    EXPECT_NE(tables[1].find("<b>go</b>\") / -2+3\\x1b[2J      0:40:00"), std::string::npos) << tables[1];
    EXPECT_NE(tables[2].find("  title     " + shown + "\n"), std::string::npos) << tables[2];

    const std::string html = Run({"html", "--from", "2026-05-01", "--to", "2026-05-31"}).out;
    EXPECT_EQ(html.find("<b>go"), std::string::npos);
    EXPECT_NE(html.find("=HYPERLINK(&quot;http://x&quot;,&quot;&lt;b&gt;go&lt;/b&gt;&quot;)"), std::string::npos);
}

TEST_F(Qloreport, BadDataEndsWithStatusOneNamingTheFileAndABadCommandLineWithTwo) {
    CRun run = Run({"totals", "--from", "2026-02-01", "--to", "2026-02-28"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("nothing recorded from 2026-02-01 to 2026-02-28"), std::string::npos) << run.err;
    std::ofstream(temp.File("act0526.db")) << "plain text, not a database";
    run = Run({"html", "--from", "2026-04-01", "--to", "2026-05-31", "-o", temp.File("page.html")});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(temp.File("act0526.db") + " is not a database"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(temp.File("page.html")));
    run = Run({"totals", "--data", temp.File("nowhere")}, false);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(temp.File("nowhere") + " does not exist"), std::string::npos) << run.err;
    run = Run({"totals", "--by", "planet"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("usage: qloreport"), std::string::npos);
    EXPECT_EQ(Run({"--help"}, false).status, 0);
}
}  // namespace
