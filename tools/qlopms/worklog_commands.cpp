// The worklog commands: review, post and the reminder's question.
#include <algorithm>
#include <iomanip>
#include <vector>

#include "output/output_text.h"
#include "platform/text.h"
#include "qlopms/jira_connection.h"
#include "qlopms/pms_commands.h"
#include "qlopms/worklog_draft.h"
#include "qlopms/worklog_post.h"
#include "qlopms/worklog_store.h"
#include "sensing/time_stamp.h"
#include "storage/activity_reader.h"

namespace {
struct CDayWork {
    std::vector<CWorklogDraft> drafts;
    std::vector<CWorklogStore::CPosted> posted;  // per draft
    int64_t notPostedMinutes = 0;
};

// The drafts of `day` from the activity files and what the store says was
// posted of them. 1; else a failure, with `failure` saying which.
int ReadDay(const CPmsRun& run, CWorklogStore& store, int64_t day, CDayWork& work, std::string& failure) {
    CActivityReader reader(run.settings.dbFolderUtf8);
    int result = reader.Open();
    if (result == 1) {
        const RowVisitor rows = [&reader](int64_t from, int64_t to,
                                          const std::function<bool(const CDBActivity&)>& visit) {
            const int read = reader.VisitRows(from, to, visit);
            return read == CActivityReader::kNoData ? 1 : read;  // no file of that month: no time
        };
        const TaskLookup tasks = [&reader](int32_t id) { return reader.Catalogue().FindTask(id); };
        result = BuildWorklogDrafts(day, rows, tasks, work.drafts);
    }
    if (result != 1) {
        failure = "the recorded time cannot be read from " + run.settings.dbFolderUtf8;
        for (const CFileReport& file : reader.Files())
            if (file.state != FileState::Read && file.state != FileState::Missing)
                failure += " (" + file.path + ": " + file.detail + ")";
        return result;
    }
    for (const CWorklogDraft& draft : work.drafts) {
        CWorklogStore::CPosted posted;
        if (store.GetPosted(day, draft.taskId, posted) != 1) {
            failure = store.Failure();
            return 0;
        }
        work.posted.push_back(posted);
        if (draft.Minutes() > posted.minutes) work.notPostedMinutes += draft.Minutes() - posted.minutes;
    }
    return 1;
}

std::string DayText(int64_t day) {
    const CLocalTime fields = UnpackTimeStamp(day);
    char text[16];
    std::snprintf(text, sizeof(text), "%04d-%02d-%02d", fields.year, fields.month, fields.day);
    return text;
}

// The drafts as a table for a terminal; keys and summaries come from JIRA and
// are shown escaped, the key column no wider than kKeyWidth.
void PrintTable(std::ostream& out, int64_t day, const CDayWork& work) {
    constexpr size_t kKeyWidth = 24;
    size_t keyWidth = 5;
    for (const CWorklogDraft& draft : work.drafts)
        keyWidth = std::max(keyWidth, TerminalWidth(NarrowToUtf8(draft.issueKey.c_str())));
    keyWidth = std::min(keyWidth, kKeyWidth);
    out << Cell("issue", keyWidth) << "  " << std::left << std::setw(7) << "time" << std::setw(13) << "first start"
        << std::setw(8) << "posted"
        << "summary\n";
    int64_t total = 0;
    for (size_t i = 0; i < work.drafts.size(); ++i) {
        const CWorklogDraft& draft = work.drafts[i];
        const CWorklogStore::CPosted& posted = work.posted[i];
        total += draft.Minutes();
        std::string postedText = posted.minutes ? FormatMinutes(posted.minutes) : "-";
        if (posted.inDoubt) postedText += "?";
        out << Cell(NarrowToUtf8(draft.issueKey.c_str()), keyWidth) << "  " << std::setw(7)
            << FormatMinutes(draft.Minutes()) << std::setw(13) << FormatTimeOfDay(draft.firstStart) << std::setw(8)
            << postedText << NarrowTerminalText(draft.summary.c_str()) << "\n";
    }
    out << std::right << DayText(day) << ": " << FormatMinutes(total) << " on " << work.drafts.size()
        << (work.drafts.size() == 1 ? " issue, " : " issues, ") << FormatMinutes(work.notPostedMinutes)
        << " not posted yet\n";
}
}  // namespace

int RunWorklog(CPmsRun& run, int64_t day, bool post) {
    CWorklogStore store;
    std::string failure;
    if (store.Open(run.settings.dbFolderUtf8) != 1) return ReportFailure(run, "worklog", store.Failure());
    // Posting holds the lock from before the drafts are read to the last post.
    if (post && store.LockForPosting() != 1) return ReportFailure(run, "worklog", store.Failure());
    CDayWork work;
    if (ReadDay(run, store, day, work, failure) != 1) return ReportFailure(run, "worklog", failure);
    if (work.drafts.empty()) {
        *run.out << DayText(day) << ": no active time on JIRA issues\n";
        return post ? 0 : 1;
    }
    PrintTable(*run.out, day, work);
    for (size_t i = 0; i < work.drafts.size(); ++i)
        if (work.posted[i].inDoubt)
            *run.err << "qlopms: worklog: a worklog of " << NarrowTerminalText(work.drafts[i].issueKey.c_str())
                     << " was sent without an answer: check the issue in JIRA (it counts as posted)\n";
    if (!post || work.notPostedMinutes == 0) return 0;

    CJiraConnection connection(run.settings, run.password);
    if (connection.Login() != 1) return ReportFailure(run, "worklog", connection.Failure());
    if (PostWorklogs(connection, store, day, work.drafts, run.now, *run.out, failure) != 1)
        return ReportFailure(run, "worklog", failure);
    return 0;
}

int RunWorklogDue(CPmsRun& run) {
    const uint32_t timeOfDay = static_cast<uint32_t>(run.now % 1000000);
    if (run.settings.worklogNotification == 0 || timeOfDay < run.settings.worklogNotificationTime) return 1;
    CWorklogStore store;
    std::string failure;
    if (store.Open(run.settings.dbFolderUtf8) != 1) return ReportFailure(run, "worklog", store.Failure());
    CDayWork work;
    const int64_t today = DayStart(run.now);
    if (ReadDay(run, store, today, work, failure) != 1) return ReportFailure(run, "worklog", failure);
    if (work.notPostedMinutes == 0) return 1;
    *run.out << "the worklog of " << DayText(today) << " is due: " << FormatMinutes(work.notPostedMinutes)
             << " not posted yet\n";
    return 0;
}
