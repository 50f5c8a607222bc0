#include "qloreport/html_report.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <charconv>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "output/report_names.h"
#include "output/report_text.h"
#include "qloreport/totals_report.h"
#include "sensing/time_stamp.h"

namespace {
constexpr int kTableRows = 20;
constexpr int kTopBars = 10;
constexpr int kMinutesPerDay = 1440;

// Colours of the projects with the most active time, in that order; the
// other projects share one.
constexpr const char* kProjectColours[] = {"#4e79a7", "#f28e2b", "#e15759", "#76b7b2", "#59a14f", "#edc948",
                                           "#b07aa1", "#ff9da7", "#9c755f", "#86bcb6", "#d37295", "#8cd17d"};
constexpr const char* kOtherColour = "#bab0ac";
constexpr const char* kIdleColour = "#d9d9d9";
constexpr const char* kLockedColour = "#555555";
constexpr const char* kOtherTypeColour = "#999999";
// The keys of a timeline strip: the projects of Active time as they are met
// (up to kMaxProjects of them), the other projects, then Idle, Locked and
// other types. Offline time is left blank.
constexpr int kMaxProjects = 24;
constexpr int kOtherProjects = kMaxProjects, kIdle = kMaxProjects + 1, kLocked = kMaxProjects + 2,
              kOtherType = kMaxProjects + 3, kKeys = kMaxProjects + 4, kNoKey = -1;

constexpr char kStyle[] =
    "body{font:15px/1.4 system-ui,sans-serif;margin:0 auto;padding:12px;max-width:1100px;color:#222}"
    "h1{font-size:1.4em;margin:.2em 0}h2{font-size:1.1em;margin:1.4em 0 .4em}"
    ".scroll{overflow-x:auto}svg{display:block}svg text{font:11px sans-serif;fill:#555}"
    "table{border-collapse:collapse;margin:.3em 0 1em;min-width:60%}td,th{padding:2px 8px;text-align:left}"
    "td.n,th.n{text-align:right;font-variant-numeric:tabular-nums;white-space:nowrap}"
    "tr:nth-child(even){background:#f6f6f6}tr.total td{font-weight:bold;border-top:1px solid #999}"
    ".sw{display:inline-block;width:.8em;height:.8em;margin-right:.4em;vertical-align:-1px}"
    ".day{display:flex;align-items:center;gap:6px;margin:2px 0}.day span{flex:0 0 6.5em;font-size:12px}"
    ".day b{flex:0 0 4.2em;font-size:12px;font-weight:normal;text-align:right}.day svg{flex:1;height:14px;"
    "background:#f2f2f2}.axis{flex:1;position:relative;height:14px;font-size:11px;color:#555}"
    ".axis i{position:absolute;font-style:normal}.cols{display:flex;flex-wrap:wrap;gap:0 24px}.cols>div{flex:1 1 "
    "320px;min-width:0}"
    "#info{position:fixed;left:0;right:0;bottom:0;background:#222;color:#fff;padding:8px 12px}";
// Shows the details (the <title>) of a tapped chart element.
constexpr char kScript[] =
    "document.addEventListener('click',function(e){var t=e.target.closest('rect,td');"
    "var i=document.getElementById('info');var s=t&&t.querySelector('title');"
    "if(s){i.textContent=s.textContent;i.hidden=false;}else{i.hidden=true;}});";

// Seconds per strip key in each minute of a day (more than 60 only where
// rows overlap, after the clock was set back).
using CDaySlots = std::vector<std::array<uint16_t, kKeys>>;

// Minutes [start, start + length) of a strip with one key.
struct CRun {
    int start, length, key;
};

// One day of the range: its active time per project and idle time (its
// working time), and its strip (slots while its rows come in, then runs).
struct CDayData {
    int64_t day = 0;
    std::map<int32_t, int64_t> activeByProject;
    int64_t idle = 0;
    CDaySlots slots;
    std::vector<CRun> runs;
    int64_t Work() const {
        int64_t work = idle;
        for (const auto& [project, seconds] : activeByProject)
            work += seconds;
        return work;
    }
};

class CPage {
public:
    explicit CPage(CReportSource& source) : m_source(source) {}

    // Adds one row's time to its day's working time and strip.
    void Add(CDayData& day, const CDBActivity& row) {
        m_recorded += row.GetDuration();
        int key = kOtherType;
        switch (row.GetActivityType()) {
            case 1:
                day.activeByProject[row.GetProjectId()] += row.GetDuration();
                key = KeyOf(row.GetProjectId());
                break;
            case 2:
                day.idle += row.GetDuration();
                key = kIdle;
                break;
            case 3:
                key = kLocked;
                break;
            case 4:
                return;
        }
        if (day.slots.empty()) day.slots.resize(kMinutesPerDay);
        const int64_t start = SecondsBetween(day.day, row.GetStartDate());
        const int64_t end = std::min<int64_t>(start + row.GetDuration(), kMinutesPerDay * 60);
        for (int64_t minute = start / 60; minute * 60 < end; ++minute) {
            const int64_t overlap = std::min(end, (minute + 1) * 60) - std::max(start, minute * 60);
            uint16_t& slot = day.slots[static_cast<size_t>(minute)][static_cast<size_t>(key)];
            slot = static_cast<uint16_t>(std::min<int64_t>(slot + overlap, UINT16_MAX));
        }
    }

    // Turns the day's slots into runs: each minute takes the key with the
    // most seconds in it, and equal neighbours make one run.
    void Finish(CDayData& day) {
        if (day.slots.empty()) return;
        int runKey = kNoKey, runStart = 0;
        for (int minute = 0; minute <= kMinutesPerDay; ++minute) {
            int best = kNoKey, seconds = 0;
            for (int key = 0; minute < kMinutesPerDay && key < kKeys; ++key)
                if (day.slots[minute][key] > seconds) seconds = day.slots[minute][key], best = key;
            if (best == runKey) continue;
            if (runKey != kNoKey) day.runs.push_back({runStart, minute - runStart, runKey});
            runKey = best;
            runStart = minute;
        }
        CDaySlots().swap(day.slots);
    }

    // Gives the palette to the projects with the most active time.
    void ChooseColours(const std::vector<CDayData>& days) {
        std::map<int32_t, int64_t> active;
        for (const CDayData& day : days)
            for (const auto& [project, seconds] : day.activeByProject)
                active[project] += seconds;
        std::vector<std::pair<int32_t, int64_t>> ranked(active.begin(), active.end());
        std::stable_sort(ranked.begin(), ranked.end(),
                         [](const auto& a, const auto& b) { return a.second > b.second; });
        for (size_t i = 0; i < ranked.size() && i < std::size(kProjectColours); ++i)
            m_colours[ranked[i].first] = kProjectColours[i];
    }
    const char* ProjectColour(int32_t project) const {
        const auto found = m_colours.find(project);
        return found == m_colours.end() ? kOtherColour : found->second;
    }
    const char* KeyColour(int key) const {
        if (key == kIdle) return kIdleColour;
        if (key == kLocked) return kLockedColour;
        if (key == kOtherType) return kOtherTypeColour;
        return key == kOtherProjects ? kOtherColour : ProjectColour(m_projectOf[static_cast<size_t>(key)]);
    }
    std::string KeyName(int key) const {
        if (key == kIdle) return "Idle";
        if (key == kLocked) return "Locked";
        if (key == kOtherType) return "None";
        if (key == kOtherProjects) return "other projects";
        return m_source.GroupName(ReportGrouping::Project, m_projectOf[static_cast<size_t>(key)]);
    }
    // The time of every row added.
    int64_t Recorded() const { return m_recorded; }

private:
    int KeyOf(int32_t project) {
        for (size_t key = 0; key < m_projectOf.size(); ++key)
            if (m_projectOf[key] == project) return static_cast<int>(key);
        if (m_projectOf.size() == static_cast<size_t>(kMaxProjects)) return kOtherProjects;
        m_projectOf.push_back(project);
        return static_cast<int>(m_projectOf.size() - 1);
    }

    CReportSource& m_source;
    std::vector<int32_t> m_projectOf;  // by strip key
    std::map<int32_t, const char*> m_colours;
    int64_t m_recorded = 0;
};

std::string Lowered(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

void WriteTable(FILE* out, const CTotals& totals, const CPage* page) {
    std::fprintf(out, "<table data-by=\"%s\"><tr><th>%s</th><th class=\"n\">Time</th><th class=\"n\">Share</th></tr>\n",
                 GroupingWord(totals.by), GroupingHeading(totals.by));
    for (const CTotalsGroup& group : totals.groups) {
        const std::string swatch =
            page ? Concat("<i class=\"sw\" style=\"background:", page->ProjectColour(group.id), "\"></i>") : "";
        std::fprintf(out,
                     "<tr data-id=\"%ld\" data-seconds=\"%lld\"><td>%s%s</td><td class=\"n\">%s</td><td "
                     "class=\"n\">%s</td></tr>\n",
                     static_cast<long>(group.id), static_cast<long long>(group.seconds), swatch.c_str(),
                     HtmlText(group.name).c_str(), FormatDuration(group.seconds).c_str(),
                     FormatShare(group.seconds, totals.total).c_str());
    }
    if (totals.otherGroups > 0)
        std::fprintf(out,
                     "<tr data-other=\"%d\" data-seconds=\"%lld\"><td>(%d more)</td><td class=\"n\">%s</td><td "
                     "class=\"n\">%s</td></tr>\n",
                     totals.otherGroups, static_cast<long long>(totals.otherSeconds), totals.otherGroups,
                     FormatDuration(totals.otherSeconds).c_str(),
                     FormatShare(totals.otherSeconds, totals.total).c_str());
    std::fprintf(out,
                 "<tr class=\"total\" data-total=\"%lld\"><td>Total</td><td class=\"n\">%s</td><td "
                 "class=\"n\">100.0%%</td></tr></table>\n",
                 static_cast<long long>(totals.total), FormatDuration(totals.total).c_str());
}

// Horizontal bars of the largest groups.
void WriteTopBars(FILE* out, const CTotals& totals, const char* colour) {
    const int count = std::min<int>(kTopBars, static_cast<int>(totals.groups.size()));
    if (count == 0 || totals.groups[0].seconds <= 0) {
        std::fputs("<p>Nothing recorded.</p>\n", out);
        return;
    }
    std::fprintf(out, "<svg viewBox=\"0 0 400 %d\" width=\"100%%\" style=\"max-width:520px\">", count * 22);
    const double longest = static_cast<double>(totals.groups[0].seconds);
    for (int i = 0; i < count; ++i) {
        const CTotalsGroup& group = totals.groups[static_cast<size_t>(i)];
        const double width = 180.0 * static_cast<double>(group.seconds) / longest;
        std::fprintf(out,
                     "<rect x=\"0\" y=\"%d\" width=\"%.1f\" height=\"16\" fill=\"%s\"><title>%s %s</title></rect>"
                     "<text x=\"%.1f\" y=\"%d\">%s %s</text>",
                     i * 22, width, colour, HtmlText(group.name).c_str(), FormatDuration(group.seconds).c_str(),
                     width + 4, i * 22 + 12, HtmlText(Cell(group.name, 24)).c_str(),
                     FormatDuration(group.seconds).c_str());
    }
    std::fputs("</svg>\n", out);
}

// "hh:mm" of a minute of the day.
std::string Clock(int minute) {
    const char text[] = {static_cast<char>('0' + minute / 600), static_cast<char>('0' + minute / 60 % 10), ':',
                         static_cast<char>('0' + minute % 60 / 10), static_cast<char>('0' + minute % 10)};
    return std::string(text, sizeof text);
}

// Appends `value` as printf's "%.*f" writes it; to_chars gives the same
// characters far faster, which counts with a strip's thousands of rects.
void AppendFixed(std::string& text, double value, int decimals) {
    char digits[400];  // the longest double with two decimals fits
    const auto written = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, decimals);
    text.append(digits, written.ptr);
}

// Rect with the details shown on hover (and by the script on a tap).
void WriteBar(FILE* out, double x, double y, double width, double height, const char* colour, const std::string& tip) {
    std::string rect = "<rect x=\"";
    AppendFixed(rect, x, 1);
    rect += "\" y=\"";
    AppendFixed(rect, y, 2);
    rect += "\" width=\"";
    AppendFixed(rect, width, 1);
    rect += "\" height=\"";
    AppendFixed(rect, height, 2);
    rect += Concat("\" fill=\"", colour, "\"><title>", HtmlText(tip), "</title></rect>");
    std::fwrite(rect.data(), 1, rect.size(), out);
}

// Working time per day: active time stacked by project, idle time on top.
void WriteDayChart(FILE* out, const std::vector<CDayData>& days, const CPage& page, CReportSource& source) {
    int64_t longest = 3600;
    for (const CDayData& day : days)
        longest = std::max(longest, day.Work());
    const int64_t hours = (longest + 3599) / 3600;
    // Drawn at its own size (no scaling, so the text stays readable); a
    // long range scrolls sideways.
    const int gap = 3, left = 30, height = 180, top = 8;
    const int barWidth = days.size() <= 14 ? 36 : days.size() <= 31 ? 15 : 7;
    const int width = left + static_cast<int>(days.size()) * (barWidth + gap);
    std::fprintf(out, "<div class=\"scroll\"><svg width=\"%d\" height=\"%d\" viewBox=\"0 0 %d %d\">", width,
                 height + 30, width, height + 30);
    const double perSecond = static_cast<double>(height) / (hours * 3600.0);
    // At most eight lines across the chart.
    int64_t step = 1;
    while (hours / step > 8)
        step *= 2;
    for (int64_t h = 0; h <= hours; h += step)
        std::fprintf(out,
                     "<line x1=\"%d\" x2=\"%d\" y1=\"%.1f\" y2=\"%.1f\" stroke=\"#e4e4e4\"/>"
                     "<text x=\"0\" y=\"%.1f\">%lldh</text>",
                     left - 2, width, top + height - h * 3600 * perSecond, top + height - h * 3600 * perSecond,
                     top + height - h * 3600 * perSecond + 4, static_cast<long long>(h));
    const size_t labelEvery = days.size() <= 16 ? 1 : days.size() <= 62 ? 7 : 30;
    for (size_t i = 0; i < days.size(); ++i) {
        const CDayData& day = days[i];
        const int x = left + static_cast<int>(i) * (barWidth + gap);
        double y = top + height;
        for (const auto& [project, seconds] : day.activeByProject) {
            y -= seconds * perSecond;
            WriteBar(out, x, y, barWidth, seconds * perSecond, page.ProjectColour(project),
                     Concat(FormatDate(day.day), " ", source.GroupName(ReportGrouping::Project, project), " ",
                            FormatDuration(seconds)));
        }
        if (day.idle > 0) {
            y -= day.idle * perSecond;
            WriteBar(out, x, y, barWidth, day.idle * perSecond, kIdleColour,
                     Concat(FormatDate(day.day), " idle ", FormatDuration(day.idle)));
        }
        if (i % labelEvery == 0)
            std::fprintf(out, "<text x=\"%d\" y=\"%d\">%02d</text>", x + 2, top + height + 16, DayOf(day.day));
    }
    std::fputs("</svg></div>\n", out);
}

void WriteStrips(FILE* out, const std::vector<CDayData>& days, const CPage& page) {
    static const char* const kWeekdays[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    std::fputs("<div class=\"day\"><span></span><div class=\"axis\">", out);
    for (int hour = 0; hour < 24; hour += 3)
        std::fprintf(out, "<i style=\"left:%.2f%%\">%02d</i>", hour * 100.0 / 24, hour);
    std::fputs("</div><b></b></div>\n", out);
    // A key's name, worked out once for all its runs.
    std::vector<std::string> names(kKeys);
    auto nameOf = [&](int key) -> const std::string& {
        std::string& name = names[static_cast<size_t>(key)];
        if (name.empty()) name = page.KeyName(key);
        return name;
    };
    for (const CDayData& day : days) {
        std::fprintf(out,
                     "<div class=\"day\"><span>%s %02d-%02d</span><svg viewBox=\"0 0 1440 10\" "
                     "preserveAspectRatio=\"none\">",
                     kWeekdays[DayOfWeek(day.day)], MonthOf(day.day), DayOf(day.day));
        for (const CRun& run : day.runs)
            WriteBar(out, run.start, 0, run.length, 10, page.KeyColour(run.key),
                     Concat(Clock(run.start), "-", Clock(run.start + run.length), " ", nameOf(run.key)));
        const int64_t minutes = day.Work() / 60;
        std::fprintf(out, "</svg><b>%lld:%02d</b></div>\n", static_cast<long long>(minutes / 60),
                     static_cast<int>(minutes % 60));
    }
}
}  // namespace

int WriteHtmlReport(FILE* out, CReportSource& source, int64_t from, int64_t to) {
    CPage page(source);
    std::vector<CDayData> days;
    for (int64_t day = DayStart(from); day <= to; day = AddDays(day, 1)) {
        days.emplace_back();
        days.back().day = day;
    }
    // Rows come month by month (within a month in the order stored): the
    // strips of a month's days are made when the next month begins.
    auto finishAll = [&] {
        for (CDayData& day : days)
            page.Finish(day);
    };
    // The pass over the rows runs on a thread of its own, through a source
    // of its own when the source offers one (its own connections, each read
    // as short as ever), beside the report queries of the tables on this
    // thread; it stops early when they fail. Otherwise it runs here first.
    std::atomic<bool> stop{false};
    int visited = 0;
    auto visitRows = [&](CReportSource& rowSource) {
        int64_t month = 0, lastDay = -1;
        size_t index = 0;
        visited = rowSource.VisitRows(
            from, to,
            [&](const CDBActivity& row) {
                if (stop.load(std::memory_order_relaxed)) return false;
                const int64_t day = DayStart(row.GetStartDate());
                if (day != lastDay) {
                    if (day / 100000000 != month) {
                        finishAll();
                        month = day / 100000000;
                    }
                    lastDay = day;
                    index = static_cast<size_t>(SecondsBetween(days.front().day, day) / 86400);
                }
                if (index < days.size()) page.Add(days[index], row);
                return true;
            },
            RowColumns::Timeline, RowOrder::Stored);
    };
    std::unique_ptr<CReportSource> rowSource = source.ForAnotherThread();
    std::thread rows;
    if (rowSource) {
        try {
            rows = std::thread(visitRows, std::ref(*rowSource));
        } catch (const std::system_error&) {
            rowSource.reset();
        }
    }
    if (!rowSource) visitRows(source);
    std::vector<ReportGrouping> tables{ReportGrouping::Project, ReportGrouping::App, ReportGrouping::Site};
    if (source.ManyPeople()) tables.push_back(ReportGrouping::User);
    std::vector<CTotals> totals(tables.size());
    int read = 1;
    for (size_t i = 0; i < tables.size() && read == 1; ++i)
        read = ReadTotals(source, tables[i], from, to, kTableRows, totals[i]);
    if (read != 1) stop = true;
    if (rows.joinable()) rows.join();
    if (rowSource) source.Absorb(*rowSource);
    if (read != 1) return read;
    if (visited != 1) return visited;
    const CTotals &apps = totals[1], &sites = totals[2];
    finishAll();
    page.ChooseColours(days);

    int64_t work = 0;
    for (const CDayData& day : days)
        work += day.Work();
    const std::string range =
        FormatDate(from) == FormatDate(to) ? FormatDate(from) : Concat(FormatDate(from), " to ", FormatDate(to));
    std::fprintf(out,
                 "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
                 "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
                 "<title>Where did my time go? %s</title><style>%s</style></head><body>\n"
                 "<h1>Where did my time go?</h1>\n<p>%s: <strong>%s</strong> working (active and idle) of %s "
                 "recorded.</p>\n",
                 range.c_str(), kStyle, range.c_str(), FormatDuration(work).c_str(),
                 FormatDuration(page.Recorded()).c_str());
    std::fputs("<h2>Working time per day, by project</h2>\n", out);
    WriteDayChart(out, days, page, source);
    std::fputs("<div class=\"cols\"><div><h2>Top programs</h2>\n", out);
    WriteTopBars(out, apps, "#4e79a7");
    std::fputs("</div><div><h2>Top sites</h2>\n", out);
    WriteTopBars(out, sites, "#59a14f");
    std::fputs("</div></div>\n<h2>Day by day</h2>\n", out);
    WriteStrips(out, days, page);
    std::fprintf(out,
                 "<p><i class=\"sw\" style=\"background:%s\"></i>Idle <i class=\"sw\" style=\"background:%s\"></i>"
                 "Locked <i class=\"sw\" style=\"background:#f2f2f2\"></i>Offline; other colours: projects.</p>\n",
                 kIdleColour, kLockedColour);
    std::fputs("<h2>Totals</h2>\n<div class=\"cols\">", out);
    for (size_t i = 0; i < totals.size(); ++i) {
        std::fprintf(out, "<div class=\"scroll\"><h2>By %s</h2>\n", Lowered(GroupingHeading(tables[i])).c_str());
        WriteTable(out, totals[i], tables[i] == ReportGrouping::Project ? &page : nullptr);
        std::fputs("</div>", out);
    }
    std::fprintf(out, "</div>\n<p id=\"info\" hidden></p>\n<script>%s</script>\n</body></html>\n", kScript);
    return 1;
}
