// CCuration::Forget: the activities the collector holds, the stored rows,
// the edit log and the site addresses.
#include <algorithm>
#include <chrono>
#include <set>
#include <thread>

#include "control/collector_control.h"
#include "core/forget_span.h"
#include "curation/curation_impl.h"
#include "platform/path.h"
#include "platform/path_exists.h"
#include "platform/text.h"
#include "storage/changed_ranges.h"

namespace {
constexpr int kCollectorPollMs = 50;
// Rows that meet [?1, ?2]: they start in it or run into it.
constexpr char kMeets[] = " where StartDate <= ?2 and (StartDate >= ?1 or FinishDate > ?1)";
constexpr char kDetails[] = "update T_Activities set Title = '', Description = NULL, URL = NULL, Id_Site = 0";
constexpr char kWhole[] =
    "update T_Activities set Id_ActivityType = 4, Title = '', Description = NULL, URL = NULL, Id_Site = 0, "
    "Id_App = 0, Id_Project = 0, Id_Task = 0";

// The collector's activity in progress, its waiting activities and its
// checkpoint: through the running collector, else the checkpoint file.
int ForgetHeld(const std::string& folderUtf8, const CForgetSpan& span, const std::function<int(std::string&)>& send,
               int waitMs, CForgetResult& out) {
    const std::string folder = Utf8ToNarrow(folderUtf8);
    const std::string request = ForgetRequestPath(folder, kPathSeparator);
    if (WriteForgetRequest(request, span) != 1) {
        out.collector = "the request for the collector cannot be written";
        return curation::kFailed;
    }
    std::string message;
    const int sent = send ? send(message) : SendForgetMessage(message);
    if (sent == 1) {
        // Looked for without opening it: on Windows an open file cannot be
        // deleted, and the collector's removal is its answer.
        for (int waited = 0; waited <= waitMs; waited += kCollectorPollMs) {
            if (!Utf8PathExists(NarrowToUtf8(request.c_str()))) {
                out.collector = "the collector cleaned what it holds";
                out.held = -1;  // counted in its log
                return curation::kDone;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(kCollectorPollMs));
        }
        message = "the collector did not answer within " + std::to_string(waitMs / 1000) + " s";
    } else if (sent < 0) {
        // It runs but cannot be asked: what it holds would come back.
        RemoveForgetRequest(request);
        out.collector = message + "; nothing was forgotten";
        return curation::kFailed;
    }
    if (!RemoveForgetRequest(request)) {
        out.collector = "the request for the collector cannot be removed";
        return curation::kFailed;
    }
    // No collector works on this folder: its checkpoint is ours to clean.
    CActivityCheckpoint checkpoint;
    checkpoint.SetFolder(folder, kPathSeparator);
    CCheckpointState state;
    std::string why;
    int damaged = 0;
    const int read = checkpoint.Read(state, why, damaged);
    out.collector = message + "; ";
    if (read == 0) {
        out.collector += "there is no checkpoint";
        return curation::kDone;
    }
    if (read != 1) {
        // Nothing of it can be read back any more, but its bytes may still
        // hold text: both copies are written over with an empty checkpoint.
        state = CCheckpointState();
        out.collector += "the checkpoint was damaged (" + why + ") and is written over, ";
    } else {
        out.held = ForgetInCheckpoint(state, span);
    }
    if (checkpoint.Overwrite(state) != 1) {
        out.collector += "the checkpoint cannot be written";
        return curation::kFailed;
    }
    out.collector += "the checkpoint was cleaned";
    return curation::kDone;
}

}  // namespace

int CCuration::Forget(int64_t from, int64_t to, bool whole, CForgetResult& out) {
    out = CForgetResult();
    if (const int range = m_impl->CheckRange(from, to); range != 1) return range;
    const CForgetSpan span{from, to, whole};
    // The collector first: what it stores after this is clean already, and
    // the files below then catch what it stored before.
    if (ForgetHeld(m_impl->m_folder, span, m_forgetMessage, m_collectorWaitMs, out) != curation::kDone)
        return m_impl->Fail(curation::kFailed, out.collector);
    std::set<int64_t> sites;
    for (const int64_t month : CImpl::Months(from, to)) {
        CSqlFile file;
        const int opened = m_impl->OpenMonth(file, month);
        if (opened == curation::kNothing) continue;
        if (opened != 1) return opened;
        const std::string name = CImpl::MonthFileName(month);
        int64_t first = 0, last = 0;
        std::vector<int64_t> ids;
        int result = file.Begin();
        if (result == 1) {
            CSqlStatement select(
                file, (std::string("select Id_Activity, StartDate, Id_Site from T_Activities") + kMeets).c_str());
            select.Bind(1, from).Bind(2, to);
            int stepped;
            while ((stepped = select.Step()) == 1) {
                ids.push_back(select.Int(0));
                first = first == 0 ? select.Int(1) : std::min(first, select.Int(1));
                last = std::max(last, select.Int(1));
                if (select.Int(2) > 0) sites.insert(select.Int(2));
            }
            result = stepped == 0 ? 1 : stepped;
        }
        if (result == 1 && !ids.empty()) {
            CSqlStatement update(file, (std::string(whole ? kWhole : kDetails) + kMeets).c_str());
            result = update.Bind(1, from).Bind(2, to).Run();
        }
        if (result == 1) result = file.Commit();
        if (result != 1) {
            file.Rollback();
            return m_impl->Fail(result, file);
        }
        if (ids.empty()) continue;
        out.rows += static_cast<int64_t>(ids.size());
        std::string error;
        if (RecordChangedRange(m_impl->m_folder, first, last, error, m_busyLimitMs) != 1)
            return m_impl->Fail(curation::kFailed, error);
        if (!whole) continue;
        int64_t cleared = 0;
        if (const int logged = m_impl->m_log.ForgetRows(name, ids, cleared); logged != 1)
            return m_impl->Fail(logged, m_impl->m_log.Error());
        out.editRowsCleared += cleared;
    }
    if (const int cleared = m_impl->ClearUnusedSites(sites, out.sitesCleared); cleared != 1) return cleared;
    return out.rows > 0 || out.held != 0 ? curation::kDone : curation::kNothing;
}

int CCuration::CImpl::ClearUnusedSites(const std::set<int64_t>& sites, int64_t& cleared) {
    cleared = 0;
    if (sites.empty()) return 1;
    std::set<int64_t> unused = sites;
    CSqlFile func;
    if (const int opened = OpenFunc(func); opened != 1) return opened;
    {
        CSqlStatement rule(func, "select 1 from T_Rules where Id_Site = ?");
        for (auto site = unused.begin(); site != unused.end();) {
            const bool used = rule.Bind(1, *site).Step() == 1;
            rule.Reset();
            site = used ? unused.erase(site) : std::next(site);
        }
    }
    CActivityReader reader(m_folder);
    std::vector<int64_t> months;
    if (reader.ListMonths(months) != 1)
        return Fail(curation::kFailed, "the data folder " + m_folder + " cannot be listed");
    for (const int64_t month : months) {
        CSqlFile file;
        if (unused.empty() || OpenMonth(file, month) != 1) continue;
        CSqlStatement row(file, "select 1 from T_Activities where Id_Site = ? limit 1");
        for (auto site = unused.begin(); site != unused.end();) {
            const bool used = row.Bind(1, *site).Step() == 1;
            row.Reset();
            site = used ? unused.erase(site) : std::next(site);
        }
    }
    if (unused.empty()) return 1;
    CSqlFile sys;
    int result = sys.Open(m_folder + "/sys.db", false, m_owner.m_busyLimitMs);
    if (result == 1) result = sys.Begin();
    CSqlStatement clear(sys, "update T_Sites set URL = '' where Id_Site = ?");
    for (auto site = unused.begin(); result == 1 && site != unused.end(); ++site) {
        result = clear.Bind(1, *site).Run();
        cleared += result == 1 ? sqlite3_changes(sys.Handle()) : 0;
    }
    if (result == 1) result = sys.Commit();
    if (result == 1) return 1;
    sys.Rollback();
    cleared = 0;
    return Fail(result, sys);
}
