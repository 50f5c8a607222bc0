#include "qlosync/week_submit.h"

#include "output/output_text.h"
#include "output/report_text.h"
#include "qlosync/own_data.h"
#include "sensing/date_range.h"
#include "sensing/time_stamp.h"

namespace {
constexpr int kNamedRows = 50;
}  // namespace

int SubmitWeek(CPgConnection& connection, const std::string& person, int week, FILE* out, FILE* err) {
    const int64_t monday = IsoWeekMonday(week);
    const std::string weekText = IsoWeekText(week), from = std::to_string(monday),
                      to = std::to_string(AddDays(monday, 6) + 235959);
    CPgResult people, before, totals, late, held;
    if (connection.Exec("begin") != 1 ||
        connection.Exec("select id from orvanta.people where name = $1", {person}, &people) != 1)
        return StoreRefused(connection, "the submit", err);
    if (people.Rows() == 0) {
        connection.Exec("rollback");
        std::fprintf(err, "qlosync: the team store holds nothing of \"%s\": push first\n",
                     TerminalText(person).c_str());
        return 1;
    }
    const std::string id = people.Text(0, 0);
    const char* kWeekRows =
        " from orvanta.activities a join orvanta.machines m on m.id = a.machine_id where m.person_id = $1 and "
        "a.start_date between $2 and $3";
    int result = connection.Exec(
        "select submitted, approved is not null, to_char(submitted, 'YYYY-MM-DD HH24:MI') from orvanta.weeks where "
        "person = $1 and week = $2 for update",
        {person, std::to_string(week)}, &before);
    if (result == 1 && before.Rows() && before.Text(0, 1) == "t") {
        connection.Exec("rollback");
        if (connection.Exec("select count(*) from orvanta.held_activities h join orvanta.machines m on m.id = "
                            "h.machine_id where m.person_id = $1 and h.start_date between $2 and $3",
                            {id, from, to}, &held) != 1)
            return StoreRefused(connection, "reading the held rows", err);
        std::fprintf(out,
                     "%s is approved: it stays as approved; %lld activities that arrived for it since are held "
                     "apart for a lead\n",
                     weekText.c_str(), static_cast<long long>(held.Int64(0, 0)));
        return 0;
    }
    if (result == 1)
        result = connection.Exec(std::string("select count(*), coalesce(sum(a.duration), 0)") + kWeekRows,
                                 {id, from, to}, &totals);
    if (result == 1 && before.Rows() && !before.IsNull(0, 0))
        result = connection.Exec(
            std::string("select a.start_date, a.duration, coalesce(j.name, ''), count(*) over ()") +
                " from orvanta.activities a join orvanta.machines m on m.id = a.machine_id left join "
                "orvanta.local_ids l on l.machine_id = a.machine_id and l.kind = 'p' and l.local_id = a.project_id "
                "left join orvanta.projects j on j.id = l.global_id where m.person_id = $1 and a.start_date between "
                "$2 and $3 and a.pushed > $4::timestamptz order by a.start_date limit " +
                std::to_string(kNamedRows),
            {id, from, to, before.Text(0, 0)}, &late);
    if (result == 1)
        result = connection.Exec(
            "insert into orvanta.weeks (person, week, submitted) values ($1, $2, now()) on conflict (person, week) "
            "do update set submitted = now()",
            {person, std::to_string(week)});
    if (result == 1) result = connection.Exec("commit");
    if (result != 1) {
        const int status = StoreRefused(connection, "the submit", err);
        connection.Exec("rollback");
        return status;
    }
    std::fprintf(out, "%s submitted: %lld activities, %s\n", weekText.c_str(),
                 static_cast<long long>(totals.Int64(0, 0)), FormatDuration(totals.Int64(0, 1)).c_str());
    if (late.Rows() > 0) {
        std::fprintf(out, "%lld activities of it arrived after its last submit (%s):\n",
                     static_cast<long long>(late.Int64(0, 3)), before.Text(0, 2).c_str());
        for (int i = 0; i < late.Rows(); ++i)
            std::fprintf(out, "  %s %9s  %s\n", FormatMoment(late.Int64(i, 0)).c_str(),
                         FormatDuration(late.Int64(i, 1)).c_str(), TerminalText(late.Text(i, 2)).c_str());
        if (late.Int64(0, 3) > late.Rows()) std::fprintf(out, "  ...\n");
    }
    return 0;
}
