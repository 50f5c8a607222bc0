#include "qlosync/own_data.h"

#include "output/output_text.h"
#include "output/report_names.h"
#include "output/report_text.h"
#include "sensing/date_range.h"

namespace {
constexpr int kSampleRows = 5;
constexpr char kMinute[] = "'YYYY-MM-DD HH24:MI'";

// The person's id; "" when the store holds no such person (or hides it).
int PersonId(CPgConnection& connection, const std::string& person, std::string& id, bool& shares) {
    CPgResult rows;
    if (connection.Exec("select id, shares from orvanta.people where name = $1", {person}, &rows) != 1) return 0;
    id = rows.Rows() ? rows.Text(0, 0) : "";
    shares = rows.Rows() && rows.Text(0, 1) == "t";
    return 1;
}
}  // namespace

int StoreRefused(CPgConnection& connection, const char* doing, FILE* err) {
    std::fprintf(err, "qlosync: the team store refused %s: %s%s%s%s\n", doing, connection.ErrorText().c_str(),
                 connection.SqlState().empty() ? "" : " [", connection.SqlState().c_str(),
                 connection.SqlState().empty() ? "" : "]");
    return 1;
}

int ShowOwnData(CPgConnection& connection, const std::string& person, FILE* out, FILE* err) {
    if (connection.Exec("begin isolation level repeatable read read only") != 1)
        return StoreRefused(connection, "reading", err);
    std::string id;
    bool shares = false;
    if (PersonId(connection, person, id, shares) != 1) return StoreRefused(connection, "reading the person", err);
    if (id.empty()) {
        std::fprintf(out, "the team store holds nothing about \"%s\"\n", TerminalText(person).c_str());
        return 0;
    }
    std::fprintf(out, "person \"%s\": %s\n", TerminalText(person).c_str(),
                 shares ? "details shared: leads read your rows (titles, addresses, programs, sites)"
                        : "details not shared: leads read only your time per project, task, program and type");

    CPgResult machines;
    if (connection.Exec(std::string("select identity, host, to_char(first_push, ") + kMinute +
                            "), coalesce(to_char(last_push, " + kMinute +
                            "), '-'), rows_added from orvanta.machines where person_id = $1 order by first_push",
                        {id}, &machines) != 1)
        return StoreRefused(connection, "reading the computers", err);
    std::fprintf(out, "\ncomputers\n  %-36s %-16s %-16s %-16s %10s\n", "IDENTITY", "HOST", "FIRST PUSH", "LAST PUSH",
                 "ROWS ADDED");
    for (int i = 0; i < machines.Rows(); ++i)
        std::fprintf(out, "  %s %s %-16s %-16s %10lld\n", Cell(machines.Text(i, 0), 36).c_str(),
                     Cell(machines.Text(i, 1), 16).c_str(), machines.Text(i, 2).c_str(), machines.Text(i, 3).c_str(),
                     static_cast<long long>(machines.Int64(i, 4)));

    CPgResult months;
    if (connection.Exec("select a.month, count(*), sum(a.duration), min(a.start_date), max(a.finish_date), count(*) "
                        "filter (where a.title <> ''), count(*) filter (where a.url <> ''), count(*) filter (where "
                        "a.app_id > 0), count(*) filter (where a.site_id > 0), count(*) filter (where a.description "
                        "<> '') from orvanta.activities a join orvanta.machines m on m.id = a.machine_id where "
                        "m.person_id = $1 group by 1 order by 1",
                        {id}, &months) != 1)
        return StoreRefused(connection, "reading the activities", err);
    std::fprintf(out, "\nactivities, and how many carry each detail\n  %-7s %7s %12s %-19s %-19s %7s %9s %8s %7s %6s\n",
                 "MONTH", "ROWS", "TIME", "FIRST START", "LAST END", "TITLES", "ADDRESSES", "PROGRAMS", "SITES",
                 "NOTES");
    for (int i = 0; i < months.Rows(); ++i) {
        const int64_t month = months.Int64(i, 0);
        std::fprintf(out, "  %04lld-%02lld %7lld %12s %-19s %-19s %7lld %9lld %8lld %7lld %6lld\n",
                     static_cast<long long>(month / 100), static_cast<long long>(month % 100),
                     static_cast<long long>(months.Int64(i, 1)), FormatDuration(months.Int64(i, 2)).c_str(),
                     FormatMoment(months.Int64(i, 3)).c_str(), FormatMoment(months.Int64(i, 4)).c_str(),
                     static_cast<long long>(months.Int64(i, 5)), static_cast<long long>(months.Int64(i, 6)),
                     static_cast<long long>(months.Int64(i, 7)), static_cast<long long>(months.Int64(i, 8)),
                     static_cast<long long>(months.Int64(i, 9)));
    }
    if (months.Rows() == 0) std::fprintf(out, "  none\n");

    CPgResult summaries, weeks, held;
    if (connection.Exec("select count(distinct d.day), coalesce(sum(d.seconds), 0) from orvanta.day_totals d join "
                        "orvanta.machines m on m.id = d.machine_id where m.person_id = $1",
                        {id}, &summaries) != 1 ||
        connection.Exec(std::string("select week, coalesce(to_char(submitted, ") + kMinute +
                            "), '-'), coalesce(to_char(approved, " + kMinute +
                            "), '-'), coalesce(approved_by, '') from orvanta.weeks where person = $1 order by week",
                        {person}, &weeks) != 1 ||
        connection.Exec("select orvanta.iso_week(h.start_date), count(*) from orvanta.held_activities h join "
                        "orvanta.machines m on m.id = h.machine_id where m.person_id = $1 group by 1 order by 1",
                        {id}, &held) != 1)
        return StoreRefused(connection, "reading the summaries and weeks", err);
    std::fprintf(out, "\ndaily summaries: %lld days, %s\n", static_cast<long long>(summaries.Int64(0, 0)),
                 FormatDuration(summaries.Int64(0, 1)).c_str());
    for (int i = 0; i < weeks.Rows(); ++i)
        std::fprintf(out, "week %s: submitted %s, approved %s%s%s\n",
                     IsoWeekText(static_cast<int>(weeks.Int64(i, 0))).c_str(), weeks.Text(i, 1).c_str(),
                     weeks.Text(i, 2).c_str(), weeks.Text(i, 3).empty() ? "" : " by ",
                     TerminalText(weeks.Text(i, 3)).c_str());
    for (int i = 0; i < held.Rows(); ++i)
        std::fprintf(out, "held apart: %lld activities of the approved week %s\n",
                     static_cast<long long>(held.Int64(i, 1)), IsoWeekText(static_cast<int>(held.Int64(i, 0))).c_str());

    CPgResult sample;
    if (connection.Exec("select a.start_date, a.duration, a.activity_type, coalesce(j.name, ''), coalesce(g.file_name, "
                        "''), a.title, a.url from orvanta.activities a join orvanta.machines m on m.id = a.machine_id "
                        "left join orvanta.local_ids lp on lp.machine_id = a.machine_id and lp.kind = 'p' and "
                        "lp.local_id = a.project_id left join orvanta.projects j on j.id = lp.global_id left join "
                        "orvanta.local_ids la on la.machine_id = a.machine_id and la.kind = 'a' and la.local_id = "
                        "a.app_id left join orvanta.programs g on g.id = la.global_id where m.person_id = $1 order by "
                        "a.start_date desc limit " +
                            std::to_string(kSampleRows),
                        {id}, &sample) != 1)
        return StoreRefused(connection, "reading the latest activities", err);
    if (sample.Rows() > 0)
        std::fprintf(out, "\nthe latest activities as stored\n  %-19s %9s %-7s %-16s %-16s %-30s %s\n", "START", "TIME",
                     "TYPE", "PROJECT", "PROGRAM", "TITLE", "ADDRESS");
    for (int i = 0; i < sample.Rows(); ++i)
        std::fprintf(out, "  %-19s %9s %s %s %s %s %s\n", FormatMoment(sample.Int64(i, 0)).c_str(),
                     FormatDuration(sample.Int64(i, 1)).c_str(),
                     Cell(ActivityTypeName(static_cast<int32_t>(sample.Int64(i, 2))), 7).c_str(),
                     Cell(sample.Text(i, 3), 16).c_str(), Cell(sample.Text(i, 4), 16).c_str(),
                     Cell(sample.Text(i, 5), 30).c_str(), TerminalText(sample.Text(i, 6)).c_str());
    connection.Exec("rollback");
    return 0;
}

int ForgetOwnData(CPgConnection& connection, const std::string& person, bool all, int64_t from, int64_t to, FILE* out,
                  FILE* err) {
    if (all) from = 0, to = 99991231235959;
    const std::string first = std::to_string(from), last = std::to_string(to);
    if (connection.Exec("begin") != 1) return StoreRefused(connection, "forgetting", err);
    std::string id;
    bool shares = false;
    CPgResult gone, kept, left;
    int result = PersonId(connection, person, id, shares);
    if (result == 1 && id.empty()) {
        connection.Exec("rollback");
        std::fprintf(out, "the team store holds nothing about \"%s\"\n", TerminalText(person).c_str());
        return 0;
    }
    // The rows, then their days summed anew, machine by machine.
    if (result == 1)
        result = connection.Exec(
            "with gone as (delete from orvanta.activities a using orvanta.machines m where m.id = a.machine_id and "
            "m.person_id = $1 and a.start_date between $2 and $3 and not orvanta.week_locked(a.machine_id, "
            "a.start_date) returning a.machine_id, a.start_date / 1000000 as day) select machine_id, count(*), "
            "min(day), max(day) from gone group by 1",
            {id, first, last}, &gone);
    int64_t forgotten = 0;
    for (int i = 0; result == 1 && i < gone.Rows(); ++i) {
        forgotten += gone.Int64(i, 1);
        result = connection.Exec("select orvanta.refresh_day_totals($1, $2, $3)",
                                 {gone.Text(i, 0), gone.Text(i, 2), gone.Text(i, 3)});
    }
    if (result == 1)
        result = connection.Exec(
            "delete from orvanta.held_activities h using orvanta.machines m where m.id = h.machine_id and "
            "m.person_id = $1 and h.start_date between $2 and $3",
            {id, first, last});
    if (result == 1)
        result = connection.Exec(
            "select count(*), string_agg(distinct to_char(to_date((a.start_date / 1000000)::text, 'YYYYMMDD'), "
            "'IYYY-\"W\"IW'), ', ') from "
            "orvanta.activities a join orvanta.machines m on m.id = a.machine_id where m.person_id = $1 and "
            "a.start_date between $2 and $3",
            {id, first, last}, &kept);
    if (result == 1)
        result = connection.Exec(
            "select exists (select 1 from orvanta.activities a join orvanta.machines m on m.id = a.machine_id where "
            "m.person_id = $1) or exists (select 1 from orvanta.held_activities h join orvanta.machines m on m.id "
            "= h.machine_id where m.person_id = $1)",
            {id}, &left);
    const bool everything = result == 1 && left.Text(0, 0) == "f";
    // Nothing left: the computers and the person go too.
    for (const char* statement :
         {"delete from orvanta.day_totals d using orvanta.machines m where m.id = d.machine_id and m.person_id = $1",
          "delete from orvanta.month_totals d using orvanta.machines m where m.id = d.machine_id and m.person_id = "
          "$1",
          "delete from orvanta.local_ids l using orvanta.machines m where m.id = l.machine_id and m.person_id = $1",
          "delete from orvanta.machines where person_id = $1", "delete from orvanta.people where id = $1"})
        if (result == 1 && everything) result = connection.Exec(statement, {id});
    if (result == 1) result = connection.Exec("commit");
    if (result != 1) {
        const int status = StoreRefused(connection, "forgetting", err);
        connection.Exec("rollback");
        return status;
    }
    std::fprintf(out, "forgot %lld activities of \"%s\"", static_cast<long long>(forgotten),
                 TerminalText(person).c_str());
    if (!all) std::fprintf(out, " from %s to %s", FormatDate(from).c_str(), FormatDate(to).c_str());
    std::fprintf(out, "\n");
    if (kept.Int64(0, 0) > 0)
        std::fprintf(out, "kept %lld activities of approved weeks (%s): approved weeks stay as approved\n",
                     static_cast<long long>(kept.Int64(0, 0)), kept.Text(0, 1).c_str());
    if (everything)
        std::fprintf(out, "nothing of yours is left: your computers and your person are gone from the store too\n");
    std::fprintf(out,
                 "the next push sends only activities stored or changed after it: forgotten ones are not sent again "
                 "unless they change on their computer\n");
    return 0;
}
