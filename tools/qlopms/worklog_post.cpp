#include "qlopms/worklog_post.h"

#include <cstdio>
#include <ctime>

#include "output/output_text.h"
#include "pms/jira_operations.h"
#include "sensing/time_stamp.h"

namespace {
constexpr char kComment[] = "Recorded by Orvanta";
}  // namespace

std::string JiraTimeStamp(int64_t stamp) {
    const CLocalTime fields = UnpackTimeStamp(stamp);
    std::tm local{};
    local.tm_year = fields.year - 1900;
    local.tm_mon = fields.month - 1;
    local.tm_mday = fields.day;
    local.tm_hour = fields.hour;
    local.tm_min = fields.minute;
    local.tm_sec = fields.second;
    local.tm_isdst = -1;
    const std::time_t when = std::mktime(&local);
    // The offset from UTC at that moment: the same moment's UTC fields read
    // back as local time (with the moment's daylight saving) lie that far off.
    std::tm utc = *std::gmtime(&when);
    utc.tm_isdst = local.tm_isdst;
    const long offset = static_cast<long>(std::difftime(when, std::mktime(&utc))) / 60;
    const long magnitude = offset < 0 ? -offset : offset;
    char text[64];
    std::snprintf(text, sizeof(text), "%04d-%02d-%02dT%02d:%02d:%02d.000%c%02ld%02ld", fields.year, fields.month,
                  fields.day, fields.hour, fields.minute, fields.second, offset < 0 ? '-' : '+', magnitude / 60,
                  magnitude % 60);
    return text;
}

int PostWorklogs(CJiraConnection& connection, CWorklogStore& store, int64_t day,
                 const std::vector<CWorklogDraft>& drafts, int64_t now, std::ostream& out, std::string& failure) {
    for (const CWorklogDraft& draft : drafts) {
        CWorklogStore::CPosted posted;
        if (store.GetPosted(day, draft.taskId, posted) != 1) {
            failure = store.Failure();
            return 0;
        }
        const int64_t minutes = draft.Minutes() - posted.minutes;
        if (minutes <= 0) continue;
        const int64_t started = posted.coveredUntil ? draft.FirstStartFrom(posted.coveredUntil) : draft.firstStart;
        const int64_t coveredUntil = draft.rows.back().second;
        int64_t id = 0;
        if (store.BeginPost(day, draft.taskId, draft.issueKey, minutes, started, coveredUntil, now, id) != 1) {
            failure = store.Failure();
            return 0;
        }
        CJIRAWorklog worklog;
        const std::string timeSpent = std::to_string(minutes) + "m";
        int result = worklog.SetWorklog(draft.issueKey.c_str(), connection.Settings().userName.c_str(),
                                        JiraTimeStamp(started).c_str(), timeSpent.c_str(), kComment);
        if (result != 1) {
            store.ForgetPost(id);
            failure = "the worklog of " + draft.issueKey + " cannot be made (result " + std::to_string(result) + ")";
            return result;
        }
        result = connection.Run(worklog, ("the worklog of " + draft.issueKey).c_str());
        if (result == 1) {
            store.ConfirmPost(id);
            out << "posted " << NarrowTerminalText(draft.issueKey.c_str()) << ": " << FormatMinutes(minutes)
                << " started " << FormatTimeOfDay(started) << "\n";
            continue;
        }
        failure = connection.Failure();
        if (worklog.RequestWasSent() && result != -50) {
            failure += "; it was sent and no answer came, so JIRA may hold it: check " + draft.issueKey +
                       " (it counts as posted and will not be sent again)";
        } else {
            store.ForgetPost(id);
        }
        return result;
    }
    return 1;
}
