#include "qlopms/worklog_draft.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "pms/pms_response_parser.h"
#include "sensing/activity.h"

int64_t CWorklogDraft::FirstStartFrom(int64_t since) const {
    for (const auto& [start, finish] : rows)
        if (start >= since) return start;
    return since;
}

int BuildWorklogDrafts(int64_t day, const RowVisitor& rows, const TaskLookup& tasks, std::vector<CWorklogDraft>& out) {
    out.clear();
    std::map<int32_t, CWorklogDraft> byTask;
    const int read = rows(day, day + 235959, [&](const CDBActivity& row) {
        if (row.GetActivityType() != static_cast<int32_t>(ActivityType::Active) || row.GetDuration() <= 0) return true;
        const CDBTask* task = tasks(row.GetTaskId());
        if (!task || task->GetExternalPMSType() != kJiraPMSType || !task->GetExternalKey()[0]) return true;
        CWorklogDraft& draft = byTask[task->GetId()];
        if (draft.taskId == 0) {
            draft.taskId = task->GetId();
            draft.issueKey = task->GetExternalKey();
            draft.summary = task->GetName();
            draft.firstStart = row.GetStartDate();
        }
        draft.seconds += row.GetDuration();
        draft.firstStart = std::min(draft.firstStart, row.GetStartDate());
        draft.rows.emplace_back(row.GetStartDate(), row.GetFinishDate());
        return true;
    });
    if (read != 1) return read;
    for (auto& [id, draft] : byTask) {
        std::sort(draft.rows.begin(), draft.rows.end());
        out.push_back(std::move(draft));
    }
    std::sort(out.begin(), out.end(),
              [](const CWorklogDraft& a, const CWorklogDraft& b) { return a.issueKey < b.issueKey; });
    return 1;
}

std::string FormatMinutes(int64_t minutes) {
    char text[32];
    if (minutes >= 60)
        std::snprintf(text, sizeof(text), "%lldh%02lldm", static_cast<long long>(minutes / 60),
                      static_cast<long long>(minutes % 60));
    else
        std::snprintf(text, sizeof(text), "%lldm", static_cast<long long>(minutes));
    return text;
}

std::string FormatTimeOfDay(int64_t stamp) {
    char text[16];
    const long long time = stamp % 1000000;
    std::snprintf(text, sizeof(text), "%02lld:%02lld:%02lld", time / 10000, time / 100 % 100, time % 100);
    return text;
}
