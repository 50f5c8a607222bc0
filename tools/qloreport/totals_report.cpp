#include "qloreport/totals_report.h"

#include <algorithm>

#include "output/report_names.h"
#include "output/report_text.h"

namespace {
constexpr size_t kNameWidth = 60;
constexpr size_t kTimeWidth = 11;
constexpr size_t kShareWidth = 7;

std::string Range(const CTotals& totals) {
    const std::string from = FormatDate(totals.from), to = FormatDate(totals.to);
    return from == to ? from : from + " to " + to;
}

void WriteTable(FILE* out, const CTotals& totals) {
    size_t width = TerminalWidth("Total");
    for (const CTotalsGroup& group : totals.groups)
        width = std::max(width, TerminalWidth(group.name));
    width = std::min(width, kNameWidth);
    // The total is the longest time.
    const size_t timeWidth = std::max(kTimeWidth, FormatDuration(totals.total).size());
    auto line = [&](const std::string& name, int64_t seconds) {
        std::fprintf(out, "%s  %s  %s\n", Cell(name, width).c_str(),
                     Cell(FormatDuration(seconds), timeWidth, true).c_str(),
                     Cell(FormatShare(seconds, totals.total), kShareWidth, true).c_str());
    };
    std::fprintf(out, "Totals by %s, %s\n", GroupingWord(totals.by), Range(totals).c_str());
    std::fprintf(out, "%s  %s  %s\n", Cell(GroupingHeading(totals.by), width).c_str(),
                 Cell("Time", timeWidth, true).c_str(), Cell("Share", kShareWidth, true).c_str());
    for (const CTotalsGroup& group : totals.groups)
        line(group.name, group.seconds);
    if (totals.otherGroups > 0) line(Concat("(", std::to_string(totals.otherGroups), " more)"), totals.otherSeconds);
    line("Total", totals.total);
}

void WriteCsv(FILE* out, const CTotals& totals) {
    std::fprintf(out, "id,%s,seconds,time,share\n", GroupingWord(totals.by));
    auto row = [&](const std::string& id, const std::string& name, int64_t seconds) {
        std::fprintf(out, "%s,%s,%lld,%s,%.2f\n", id.c_str(), CsvField(name).c_str(), static_cast<long long>(seconds),
                     FormatDuration(seconds).c_str(), SharePercent(seconds, totals.total));
    };
    for (const CTotalsGroup& group : totals.groups)
        row(std::to_string(group.id), group.name, group.seconds);
    if (totals.otherGroups > 0) row("", Concat("(", std::to_string(totals.otherGroups), " more)"), totals.otherSeconds);
    row("", "Total", totals.total);
}

std::string JsonTime(int64_t seconds, int64_t total) {
    char share[32];
    std::snprintf(share, sizeof share, "%.2f", SharePercent(seconds, total));
    return Concat("\"seconds\":", std::to_string(seconds), ",\"time\":\"", FormatDuration(seconds),
                  "\",\"share\":", share);
}

void WriteJson(FILE* out, const CTotals& totals, const std::vector<std::string>& missing) {
    std::fprintf(out, "{\"from\":\"%s\",\"to\":\"%s\",\"by\":\"%s\",\"groups\":[", FormatDate(totals.from).c_str(),
                 FormatDate(totals.to).c_str(), GroupingWord(totals.by));
    for (size_t i = 0; i < totals.groups.size(); ++i) {
        const CTotalsGroup& group = totals.groups[i];
        std::fprintf(out, "%s\n{\"id\":%ld,\"name\":%s,%s}", i ? "," : "", static_cast<long>(group.id),
                     JsonString(group.name).c_str(), JsonTime(group.seconds, totals.total).c_str());
    }
    std::fprintf(out, "],\n\"other\":{\"groups\":%d,%s},\n\"total\":{%s},\n\"missing\":[", totals.otherGroups,
                 JsonTime(totals.otherSeconds, totals.total).c_str(), JsonTime(totals.total, totals.total).c_str());
    for (size_t i = 0; i < missing.size(); ++i)
        std::fprintf(out, "%s%s", i ? "," : "", JsonString(missing[i]).c_str());
    std::fputs("]}\n", out);
}
}  // namespace

int ReadTotals(CReportSource& source, ReportGrouping by, int64_t from, int64_t to, int top, CTotals& totals) {
    totals = CTotals();
    totals.by = by;
    totals.from = from;
    totals.to = to;
    std::vector<CTotalsGroup> groups;
    const int result = source.Totals(by, from, to, groups);
    if (result != 1) return result;
    for (CTotalsGroup& group : groups) {
        totals.total += group.seconds;
        if (top > 0 && static_cast<int>(totals.groups.size()) >= top) {
            ++totals.otherGroups;
            totals.otherSeconds += group.seconds;
        } else {
            totals.groups.push_back(std::move(group));
        }
    }
    return 1;
}

void WriteTotals(FILE* out, const CTotals& totals, ReportFormat format, const std::vector<std::string>& missing) {
    switch (format) {
        case ReportFormat::Table:
            WriteTable(out, totals);
            break;
        case ReportFormat::Csv:
            WriteCsv(out, totals);
            break;
        case ReportFormat::Json:
            WriteJson(out, totals, missing);
            break;
    }
}
