#include "qloreport/day_report.h"

#include <algorithm>

#include "output/report_names.h"
#include "output/report_text.h"
#include "qloreport/totals_report.h"
#include "sensing/time_stamp.h"

namespace {
constexpr size_t kTypeWidth = 7, kUserWidth = 16, kProgramWidth = 20, kTitleWidth = 40, kSiteWidth = 28;
constexpr size_t kTimeWidth = 11, kShareWidth = 7;

// The texts of one row.
struct CDayRow {
    std::string type, user, program, title, site, url, project, task;
};

CDayRow Describe(CReportSource& source, const CDBActivity& row) {
    CDayRow texts;
    texts.type = ActivityTypeName(row.GetActivityType());
    if (source.ManyPeople()) texts.user = source.GroupName(ReportGrouping::User, row.GetUserId());
    texts.program = source.ProgramName(row.GetAppId());
    texts.title = source.RowText(row.GetTitle());
    texts.site = source.SiteName(row.GetSiteId());
    texts.url = source.RowText(row.GetURL());
    texts.project = source.GroupName(ReportGrouping::Project, row.GetProjectId());
    texts.task = source.TaskName(row.GetTaskId());
    return texts;
}

void WriteRow(FILE* out, ReportFormat format, const CDBActivity& row, const CDayRow& texts, bool first, bool people) {
    const long long seconds = static_cast<long long>(row.GetDuration());
    switch (format) {
        case ReportFormat::Table:
            std::fprintf(out, "%s-%s  %s  %s%s  %s  %s  %s\n", FormatClock(row.GetStartDate()).c_str(),
                         FormatClock(row.GetFinishDate()).c_str(), Cell(texts.type, kTypeWidth).c_str(),
                         people ? (Cell(texts.user, kUserWidth) + "  ").c_str() : "",
                         Cell(texts.program, kProgramWidth).c_str(), Cell(texts.title, kTitleWidth).c_str(),
                         Cell(texts.site, kSiteWidth).c_str(),
                         TerminalText(texts.task.empty() ? texts.project : texts.project + " / " + texts.task).c_str());
            break;
        case ReportFormat::Csv:
            std::fprintf(out, "%ld,%s,%s,%lld,%s,%s,%s,%s,%s,%s,%s%s\n", static_cast<long>(row.GetId()),
                         FormatMoment(row.GetStartDate()).c_str(), FormatMoment(row.GetFinishDate()).c_str(), seconds,
                         texts.type.c_str(), CsvField(texts.program).c_str(), CsvField(texts.title).c_str(),
                         CsvField(texts.site).c_str(), CsvField(texts.url).c_str(), CsvField(texts.project).c_str(),
                         CsvField(texts.task).c_str(), people ? Concat(",", CsvField(texts.user)).c_str() : "");
            break;
        case ReportFormat::Json:
            std::fprintf(out,
                         "%s\n{\"id\":%ld,\"start\":\"%s\",\"finish\":\"%s\",\"seconds\":%lld,\"type\":\"%s\","
                         "\"program\":%s,\"title\":%s,\"site\":%s,\"url\":%s,\"projectId\":%ld,\"project\":%s,"
                         "\"taskId\":%ld,\"task\":%s",
                         first ? "" : ",", static_cast<long>(row.GetId()), FormatMoment(row.GetStartDate()).c_str(),
                         FormatMoment(row.GetFinishDate()).c_str(), seconds, texts.type.c_str(),
                         JsonString(texts.program).c_str(), JsonString(texts.title).c_str(),
                         JsonString(texts.site).c_str(), JsonString(texts.url).c_str(),
                         static_cast<long>(row.GetProjectId()), JsonString(texts.project).c_str(),
                         static_cast<long>(row.GetTaskId()), JsonString(texts.task).c_str());
            if (people) std::fprintf(out, ",\"user\":%s", JsonString(texts.user).c_str());
            std::fputc('}', out);
            break;
    }
}

void WriteTypes(FILE* out, ReportFormat format, const CTotals& types) {
    switch (format) {
        case ReportFormat::Table: {
            const size_t timeWidth = std::max(kTimeWidth, FormatDuration(types.total).size());
            std::fputc('\n', out);
            for (const CTotalsGroup& type : types.groups)
                std::fprintf(out, "%s  %s  %s\n", Cell(type.name, kTypeWidth).c_str(),
                             Cell(FormatDuration(type.seconds), timeWidth, true).c_str(),
                             Cell(FormatShare(type.seconds, types.total), kShareWidth, true).c_str());
            std::fprintf(out, "%s  %s\n", Cell("Total", kTypeWidth).c_str(),
                         Cell(FormatDuration(types.total), timeWidth, true).c_str());
            break;
        }
        case ReportFormat::Csv:
            std::fputs("\ntype,seconds,time,share\n", out);
            for (const CTotalsGroup& type : types.groups)
                std::fprintf(out, "%s,%lld,%s,%.2f\n", type.name.c_str(), static_cast<long long>(type.seconds),
                             FormatDuration(type.seconds).c_str(), SharePercent(type.seconds, types.total));
            break;
        case ReportFormat::Json:
            std::fputs("],\n\"types\":[", out);
            for (size_t i = 0; i < types.groups.size(); ++i)
                std::fprintf(out, "%s{\"type\":\"%s\",\"seconds\":%lld,\"time\":\"%s\"}", i ? "," : "",
                             types.groups[i].name.c_str(), static_cast<long long>(types.groups[i].seconds),
                             FormatDuration(types.groups[i].seconds).c_str());
            std::fprintf(out, "],\n\"total\":{\"seconds\":%lld,\"time\":\"%s\"}}\n",
                         static_cast<long long>(types.total), FormatDuration(types.total).c_str());
            break;
    }
}
}  // namespace

int WriteDay(FILE* out, CReportSource& source, int64_t day, ReportFormat format) {
    const int64_t from = DayStart(day), to = from + 235959;
    // The per-type totals first: a day without a file gives nothing at all.
    const bool people = source.ManyPeople();
    CTotals types;
    const int read = ReadTotals(source, ReportGrouping::ActivityType, from, to, 0, types);
    if (read != 1) return read;
    switch (format) {
        case ReportFormat::Table:
            std::fprintf(out, "Day %s\n%s  %s  %s%s  %s  %s  %s\n", FormatDate(from).c_str(),
                         Cell("Start-Finish", 17).c_str(), Cell("Type", kTypeWidth).c_str(),
                         people ? (Cell("User", kUserWidth) + "  ").c_str() : "",
                         Cell("Program", kProgramWidth).c_str(), Cell("Title", kTitleWidth).c_str(),
                         Cell("Site", kSiteWidth).c_str(), "Project / Task");
            break;
        case ReportFormat::Csv:
            std::fprintf(out, "id,start,finish,seconds,type,program,title,site,url,project,task%s\n",
                         people ? ",user" : "");
            break;
        case ReportFormat::Json:
            std::fprintf(out, "{\"date\":\"%s\",\"rows\":[", FormatDate(from).c_str());
            break;
    }
    bool first = true;
    const int visited = source.VisitRows(from, to, [&](const CDBActivity& row) {
        WriteRow(out, format, row, Describe(source, row), first, people);
        first = false;
        return true;
    });
    if (visited != 1) return visited;
    WriteTypes(out, format, types);
    return 1;
}
