#include "teamstore/push_notices.h"

#include <cstdio>

#include "output/output_text.h"
#include "output/report_text.h"
#include "sensing/date_range.h"
#include "sensing/time_stamp.h"

int ReadPushNotices(CPgConnection& connection, const std::string& machineId, const std::string& person, int64_t today,
                    std::vector<std::string>& notices) {
    CPgResult held;
    if (connection.Exec("with told as (update orvanta.held_activities set noticed = true where machine_id = $1 and "
                        "not noticed returning start_date) select orvanta.iso_week(start_date), count(*) from told "
                        "group by 1 order by 1",
                        {machineId}, &held) != 1)
        return 0;
    for (int i = 0; i < held.Rows(); ++i)
        notices.push_back(std::to_string(held.Int64(i, 1)) + " activities of the approved week " +
                          IsoWeekText(static_cast<int>(held.Int64(i, 0))) +
                          " were kept apart, not merged: a lead sees them with \"qloreport --server held\"");
    CPgResult budgets;
    if (connection.Exec("select project, level, used, (hours * 3600)::bigint, per_month from "
                        "orvanta.budget_crossings($1, $2::date)",
                        {person, FormatDate(DayStart(today))}, &budgets) != 1)
        return 0;
    for (int i = 0; i < budgets.Rows(); ++i)
        notices.push_back("budget: project \"" + TerminalText(budgets.Text(i, 0)) + "\" passed " + budgets.Text(i, 1) +
                          " % (" + FormatDuration(budgets.Int64(i, 2)) + " of " + FormatDuration(budgets.Int64(i, 3)) +
                          (budgets.Text(i, 4) == "t" ? " this month)" : " in total)"));
    return 1;
}
