#include "qloreport/team_commands.h"

#include <cmath>
#include <string>

#include "output/output_text.h"
#include "output/report_text.h"
#include "sensing/time_stamp.h"

namespace {
int Refused(CPgConnection& connection, const char* doing, FILE* err) {
    std::fprintf(err, "qloreport: the team store refused %s: %s%s%s%s\n", doing, connection.ErrorText().c_str(),
                 connection.SqlState().empty() ? "" : " [", connection.SqlState().c_str(),
                 connection.SqlState().empty() ? "" : "]");
    if (connection.SqlState() == "42501") std::fprintf(err, "qloreport: this needs a lead's role (orvanta_lead)\n");
    return 1;
}

int Approve(const CReportOptions& options, CPgConnection& connection, FILE* out, FILE* err) {
    const std::string week = std::to_string(options.week);
    CPgResult person, approved;
    if (connection.Exec("select id from orvanta.people where name = $1", {options.user}, &person) != 1)
        return Refused(connection, "reading the people", err);
    if (person.Rows() == 0) {
        std::fprintf(err, "qloreport: no one called \"%s\" pushed to the team store\n",
                     TerminalText(options.user).c_str());
        return 1;
    }
    if (connection.Exec("insert into orvanta.weeks (person, week, approved, approved_by) values ($1, $2, now(), "
                        "current_user) on conflict (person, week) do update set approved = now(), approved_by = "
                        "current_user returning to_char(submitted, 'YYYY-MM-DD HH24:MI')",
                        {options.user, week}, &approved) != 1)
        return Refused(connection, "the approval", err);
    const int64_t monday = IsoWeekMonday(options.week);
    CPgResult totals;
    if (connection.Exec(
            "select count(*), coalesce(sum(d.seconds), 0) from orvanta.day_totals d join "
            "orvanta.machines m on m.id = d.machine_id where m.person_id = $1 and d.day between $2 "
            "and $3",
            {person.Text(0, 0), std::to_string(monday / 1000000), std::to_string(AddDays(monday, 6) / 1000000)},
            &totals) != 1)
        return Refused(connection, "reading the week's time", err);
    std::fprintf(out, "%s of %s approved (%s): %s recorded; rows that arrive for it now are held apart\n",
                 IsoWeekText(options.week).c_str(), TerminalText(options.user).c_str(),
                 approved.IsNull(0, 0) ? "not submitted" : ("submitted " + approved.Text(0, 0)).c_str(),
                 FormatDuration(totals.Int64(0, 1)).c_str());
    return 0;
}

int Held(const CReportOptions& options, CPgConnection& connection, FILE* out, FILE* err) {
    CPgResult rows;
    if (connection.Exec("select p.name, orvanta.iso_week(h.start_date), h.start_date, h.duration, coalesce(j.name, "
                        "''), to_char(h.held, 'YYYY-MM-DD HH24:MI') from orvanta.held_activities h join "
                        "orvanta.machines m on m.id = h.machine_id join orvanta.people p on p.id = m.person_id left "
                        "join orvanta.local_ids l on l.machine_id = h.machine_id and l.kind = 'p' and l.local_id = "
                        "h.project_id left join orvanta.projects j on j.id = l.global_id where $1 = '' or p.name = "
                        "$1 order by p.name, h.start_date",
                        {options.user}, &rows) != 1)
        return Refused(connection, "reading the held rows", err);
    if (rows.Rows() == 0) {
        std::fprintf(out, "no rows held apart\n");
        return 0;
    }
    std::fprintf(out, "%-16s %-8s %-19s %9s %-24s %s\n", "PERSON", "WEEK", "START", "TIME", "PROJECT", "HELD SINCE");
    for (int i = 0; i < rows.Rows(); ++i)
        std::fprintf(out, "%s %-8s %-19s %9s %s %s\n", Cell(rows.Text(i, 0), 16).c_str(),
                     IsoWeekText(static_cast<int>(rows.Int64(i, 1))).c_str(), FormatMoment(rows.Int64(i, 2)).c_str(),
                     FormatDuration(rows.Int64(i, 3)).c_str(), Cell(rows.Text(i, 4), 24).c_str(),
                     rows.Text(i, 5).c_str());
    std::fprintf(out, "%d rows held apart: approved weeks keep their rows as approved\n", rows.Rows());
    return 0;
}

int Budget(const CReportOptions& options, CPgConnection& connection, FILE* out, FILE* err) {
    const bool remove = options.hours == 0;
    const bool done =
        connection.Exec("begin") == 1 &&
        (remove
             ? connection.Exec("delete from orvanta.budgets where project = $1", {options.project})
             : connection.Exec("insert into orvanta.budgets (project, hours, per_month) values ($1, $2, $3) on "
                               "conflict (project) do update set hours = excluded.hours, per_month = "
                               "excluded.per_month, set_by = current_user, set_at = now()",
                               {options.project, std::to_string(options.hours), options.perMonth ? "t" : "f"})) == 1 &&
        // A budget set anew is told of anew.
        connection.Exec("delete from orvanta.budget_notices where project = $1", {options.project}) == 1 &&
        connection.Exec("commit") == 1;
    if (!done) {
        const int status = Refused(connection, "the budget", err);
        connection.Exec("rollback");
        return status;
    }
    if (remove)
        std::fprintf(out, "budget of \"%s\" removed\n", TerminalText(options.project).c_str());
    else
        std::fprintf(out, "budget of \"%s\": %g hours %s\n", TerminalText(options.project).c_str(), options.hours,
                     options.perMonth ? "each month" : "in total");
    return 0;
}

int Budgets(const CReportOptions& options, CPgConnection& connection, FILE* out, FILE* err) {
    CPgResult rows;
    if (connection.Exec("select project, (hours * 3600)::bigint, per_month, used, first_day from "
                        "orvanta.budget_use($1::date)",
                        {FormatDate(options.today)}, &rows) != 1)
        return Refused(connection, "reading the budgets", err);
    if (rows.Rows() == 0) {
        std::fprintf(out, "no budgets\n");
        return 0;
    }
    const int64_t today = DayStart(options.today);
    std::fprintf(out, "%-24s %-10s %12s %12s %12s %6s  %s\n", "PROJECT", "PER", "BUDGET", "USED", "LEFT", "USED%",
                 "RUNS OUT");
    for (int i = 0; i < rows.Rows(); ++i) {
        const int64_t budget = rows.Int64(i, 1), used = rows.Int64(i, 3), left = budget - used;
        const bool perMonth = rows.Text(i, 2) == "t";
        // The pace: the time used per day since the period (or the first use) began.
        const int64_t first = perMonth ? today - (DayOf(today) - 1) * 1000000 : rows.Int64(i, 4) * 1000000;
        std::string runsOut = "-";
        if (left <= 0) {
            runsOut = "used up";
        } else if (used > 0 && first > 0) {
            const double days = static_cast<double>(SecondsBetween(first, today) / 86400 + 1);
            runsOut = FormatDate(AddDays(today, static_cast<int64_t>(std::ceil(left / (used / days)))));
        }
        std::fprintf(out, "%s %-10s %12s %12s %12s %5.0f%%  %s\n", Cell(rows.Text(i, 0), 24).c_str(),
                     perMonth ? "month" : "total", FormatDuration(budget).c_str(), FormatDuration(used).c_str(),
                     left < 0 ? ("-" + FormatDuration(-left)).c_str() : FormatDuration(left).c_str(),
                     budget > 0 ? 100.0 * static_cast<double>(used) / static_cast<double>(budget) : 0.0,
                     runsOut.c_str());
    }
    return 0;
}
}  // namespace

int RunTeamCommand(const CReportOptions& options, CPgConnection& connection, FILE* out, FILE* err) {
    switch (options.command) {
        case ReportCommand::Approve:
            return Approve(options, connection, out, err);
        case ReportCommand::Held:
            return Held(options, connection, out, err);
        case ReportCommand::Budget:
            return Budget(options, connection, out, err);
        default:
            return Budgets(options, connection, out, err);
    }
}
