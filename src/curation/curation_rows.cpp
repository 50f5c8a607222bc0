// CCuration's work on stored rows: what a rule would catch, what is left
// uncategorised, re-applying the rules, and assigning rows by hand.
#include <algorithm>
#include <map>
#include <utility>

#include "core/stored_activity.h"
#include "curation/curation_impl.h"
#include "curation/rule_check.h"
#include "platform/text.h"
#include "sensing/time_stamp.h"

namespace {
constexpr char kSelectRows[] =
    "select Id_Activity, StartDate, FinishDate, Duration, FormatedDuration, Id_ActivityType, Title, Id_User, Id_App, "
    "Id_Project, Id_Task, URL, Id_Site from T_Activities where StartDate >= ? and StartDate <= ?";
constexpr int kProjectColumn = 9, kTaskColumn = 10;

// The part of [from, to] that lies in `month`.
std::pair<int64_t, int64_t> InMonth(int64_t month, int64_t from, int64_t to) {
    const int64_t next = PackTimeStamp(CLocalTime{YearOf(AddDays(month, 31)), MonthOf(AddDays(month, 31)), 1});
    return {std::max(from, month), std::min(to, next - 1)};
}

CDBActivity ReadActivity(const CSqlStatement& s) {
    const auto id = [&](int column) { return static_cast<int32_t>(s.Int(column)); };
    return CDBActivity(id(0), s.Int(1), s.Int(2), s.Int(3), s.Int(4), id(5), s.Text(6).c_str(), id(7), id(8), "", id(9),
                       id(10), s.Text(11).c_str(), id(12), 0);
}

int64_t Stored(const CSqlStatement& s, int column) { return s.IsNull(column) ? kNullValue : s.Int(column); }
int64_t OrZero(int64_t value) { return value == kNullValue ? 0 : value; }

bool IsWorkingTime(int32_t type) {
    return type == static_cast<int32_t>(ActivityType::Active) || type == static_cast<int32_t>(ActivityType::Idle);
}

// The rules of the catalogue with `rule` in place of the stored rule of its
// id, or after the others (as a new rule is tried) when it has none.
CBaseStorage<CDBRule> RulesWith(const CCatalogue& catalogue, CDBRule& rule) {
    CBaseStorage<CDBRule> rules;
    CDBRule stored;
    int32_t highest = 0;
    bool replaced = false;
    for (int32_t i = 0; i < catalogue.Rules().Count(); ++i) {
        if (catalogue.Rules().Pop(i, stored) != 1) continue;
        highest = std::max(highest, stored.GetId());
        replaced = replaced || (rule.GetId() != 0 && stored.GetId() == rule.GetId());
        rules.Push(rule.GetId() != 0 && stored.GetId() == rule.GetId() ? rule : stored);
    }
    if (!replaced) {
        CRuleSpec draft = FromStoredRule(rule);
        draft.id = highest + 1;
        rule = ToStoredRule(draft);
        rules.Push(rule);
    }
    return rules;
}
}  // namespace

int CCuration::Preview(const CRuleSpec& draft, int64_t from, int64_t to, int limit, CPreview& out) {
    if (const int range = m_impl->CheckRange(from, to); range != 1) return range;
    CActivityReader reader(m_impl->m_folder);
    if (const int loaded = m_impl->Load(reader); loaded != 1) return loaded;
    const CCatalogue& catalogue = reader.Catalogue();
    if (const std::string problem = RuleProblem(draft, catalogue); !problem.empty())
        return m_impl->Fail(curation::kRefused, problem);
    CDBRule rule = ToStoredRule(draft);
    CRuleEngine engine;
    engine.SetRules(RulesWith(catalogue, rule));
    engine.SetDefaultTask(catalogue.Tasks());
    out = CPreview();
    const int read = reader.VisitRows(from, to, [&](const CDBActivity& row) {
        CWinActivity activity = StoredActivity(catalogue, row);
        int matches = 0;
        if (CRuleEngine::MatchRule(rule, activity, matches) != 1) return true;
        engine.ApplyRules(activity);
        const bool changes = IsWorkingTime(row.GetActivityType()) &&
                             (activity.GetProjectId() != row.GetProjectId() || activity.GetTaskId() != row.GetTaskId());
        ++out.caughtRows;
        out.caughtSeconds += row.GetDuration();
        out.changingRows += changes ? 1 : 0;
        out.changingSeconds += changes ? row.GetDuration() : 0;
        if (static_cast<int>(out.rows.size()) < limit) {
            const int64_t month = PackTimeStamp(CLocalTime{YearOf(row.GetStartDate()), MonthOf(row.GetStartDate()), 1});
            out.rows.push_back({CImpl::Describe(catalogue, row, month), activity.GetProjectId(), activity.GetTaskId(),
                                CImpl::ProjectName(catalogue, activity.GetProjectId()),
                                CImpl::TaskName(catalogue, activity.GetTaskId()), changes});
        }
        return true;
    });
    if (read != 1 && read != CActivityReader::kNoData)
        return m_impl->Fail(curation::kFailed, "the activity files cannot be read");
    return out.caughtRows > 0 ? curation::kDone : curation::kNothing;
}

int CCuration::Uncategorized(int64_t from, int64_t to, int limit, std::vector<CUncategorizedItem>& out) {
    if (const int range = m_impl->CheckRange(from, to); range != 1) return range;
    CActivityReader reader(m_impl->m_folder);
    if (const int loaded = m_impl->Load(reader); loaded != 1) return loaded;
    const CCatalogue& catalogue = reader.Catalogue();
    CRuleEngine engine;
    engine.SetDefaultTask(catalogue.Tasks());
    std::map<int32_t, CUncategorizedItem> programs, sites;
    std::map<std::string, CUncategorizedItem> titles;
    const auto count = [](CUncategorizedItem& item, const CDBActivity& row) {
        item.seconds += row.GetDuration();
        ++item.rows;
    };
    const int read = reader.VisitRows(from, to, [&](const CDBActivity& row) {
        const bool uncategorized = row.GetProjectId() == 0 || (row.GetProjectId() == engine.GetDefaultProjectId() &&
                                                               row.GetTaskId() == engine.GetDefaultTaskId());
        if (!IsWorkingTime(row.GetActivityType()) || !uncategorized) return true;
        count(programs[row.GetAppId()], row);
        count(titles[row.GetTitle()], row);
        if (row.GetSiteId() > 0) count(sites[row.GetSiteId()], row);
        return true;
    });
    if (read != 1 && read != CActivityReader::kNoData)
        return m_impl->Fail(curation::kFailed, "the activity files cannot be read");
    const auto take = [&](std::vector<CUncategorizedItem> items) {
        std::sort(items.begin(), items.end(), [](const CUncategorizedItem& a, const CUncategorizedItem& b) {
            return a.seconds != b.seconds ? a.seconds > b.seconds : a.text < b.text;
        });
        if (limit > 0 && static_cast<int>(items.size()) > limit) items.resize(static_cast<size_t>(limit));
        out.insert(out.end(), items.begin(), items.end());
    };
    std::vector<CUncategorizedItem> items;
    for (auto& [id, item] : programs) {
        const CDBApp* app = catalogue.FindApp(id);
        item.kind = "program";
        item.id = id;
        item.text = app ? NarrowToUtf8(app->GetFileName()) : "";
        items.push_back(item);
    }
    take(std::move(items));
    items.clear();
    for (auto& [title, item] : titles) {
        item.kind = "title";
        item.text = NarrowToUtf8(title.c_str());
        items.push_back(item);
    }
    take(std::move(items));
    items.clear();
    for (auto& [id, item] : sites) {
        const CDBSite* site = catalogue.FindSite(id);
        item.kind = "site";
        item.id = id;
        item.text = site ? NarrowToUtf8(site->GetURL()) : "";
        items.push_back(item);
    }
    take(std::move(items));
    return out.empty() ? curation::kNothing : curation::kDone;
}

int CCuration::Rows(int64_t from, int64_t to, std::vector<CRowInfo>& out) {
    if (const int range = m_impl->CheckRange(from, to); range != 1) return range;
    CActivityReader reader(m_impl->m_folder);
    if (const int loaded = m_impl->Load(reader); loaded != 1) return loaded;
    const int read = reader.VisitRows(from, to, [&](const CDBActivity& row) {
        const int64_t month = PackTimeStamp(CLocalTime{YearOf(row.GetStartDate()), MonthOf(row.GetStartDate()), 1});
        out.push_back(CImpl::Describe(reader.Catalogue(), row, month));
        return true;
    });
    if (read != 1 && read != CActivityReader::kNoData)
        return m_impl->Fail(curation::kFailed, "the activity files cannot be read");
    return out.empty() ? curation::kNothing : curation::kDone;
}

int CCuration::Apply(int64_t from, int64_t to, bool dryRun, CApplyResult& out) {
    if (const int range = m_impl->CheckRange(from, to); range != 1) return range;
    CActivityReader reader(m_impl->m_folder);
    if (const int loaded = m_impl->Load(reader); loaded != 1) return loaded;
    const CCatalogue& catalogue = reader.Catalogue();
    CRuleEngine engine;
    LoadRuleEngine(engine, catalogue);
    out = CApplyResult();
    std::map<std::pair<int32_t, int32_t>, std::pair<int64_t, int64_t>> totals;
    // The changes of one file, read inside its transaction.
    const auto plan = [&](CSqlFile& file, int64_t month, std::vector<CRowChange>& changes) {
        const auto [first, last] = InMonth(month, from, to);
        CSqlStatement select(file, (std::string(kSelectRows) + " and Id_ActivityType in (1, 2)").c_str());
        select.Bind(1, first).Bind(2, last);
        int stepped;
        while ((stepped = select.Step()) == 1) {
            const CDBActivity row = ReadActivity(select);
            CWinActivity activity = StoredActivity(catalogue, row);
            engine.ApplyRules(activity);
            ++out.checkedRows;
            totals[{row.GetProjectId(), row.GetTaskId()}].first += row.GetDuration();
            totals[{activity.GetProjectId(), activity.GetTaskId()}].second += row.GetDuration();
            if (activity.GetProjectId() == row.GetProjectId() && activity.GetTaskId() == row.GetTaskId()) continue;
            changes.push_back({CImpl::MonthFileName(month), row.GetId(), Stored(select, kProjectColumn),
                               Stored(select, kTaskColumn), activity.GetProjectId(), activity.GetTaskId()});
            ++out.changedRows;
            out.changedSeconds += row.GetDuration();
        }
        if (stepped != 0) return stepped;
        if (dryRun) changes.clear();
        return 1;
    };
    const std::string summary = "apply the rules to " + std::to_string(from) + ".." + std::to_string(to);
    for (const int64_t month : CImpl::Months(from, to)) {
        CSqlFile file;
        const int opened = m_impl->OpenMonth(file, month);
        if (opened == curation::kNothing) continue;
        if (opened != 1) return opened;
        const int changed =
            m_impl->ChangeRows(file, "apply", summary, out.editId,
                               [&](std::vector<CRowChange>& changes) { return plan(file, month, changes); });
        if (changed != 1) {
            m_impl->FinishRows(out.editId);
            return changed;
        }
    }
    for (const auto& [key, seconds] : totals)
        out.totals.push_back({key.first, key.second, CImpl::ProjectName(catalogue, key.first),
                              CImpl::TaskName(catalogue, key.second), seconds.first, seconds.second});
    std::sort(out.totals.begin(), out.totals.end(), [](const CTotalChange& a, const CTotalChange& b) {
        return std::max(a.before, a.after) > std::max(b.before, b.after);
    });
    if (dryRun) return out.changedRows > 0 ? curation::kDone : curation::kNothing;
    const int finished = m_impl->FinishRows(out.editId);
    if (finished != curation::kDone) out.editId = 0;
    return finished;
}

namespace {
// The change of a row to the target, or none when it already has it.
bool Retarget(const std::string& file, int64_t row, int64_t project, int64_t task, int32_t projectId, int32_t taskId,
              std::vector<CRowChange>& changes) {
    if (OrZero(project) == projectId && OrZero(task) == taskId) return false;
    changes.push_back({file, row, project, task, projectId, taskId});
    return true;
}
}  // namespace

int CCuration::Assign(const std::vector<CRowRef>& rows, int32_t projectId, int32_t taskId, int64_t& editId) {
    editId = 0;
    CActivityReader reader(m_impl->m_folder);
    if (const int loaded = m_impl->Load(reader); loaded != 1) return loaded;
    if (const int target = m_impl->CheckTarget(reader.Catalogue(), projectId, taskId); target != 1) return target;
    std::map<int64_t, std::vector<int64_t>> byMonth;
    for (const CRowRef& row : rows)
        byMonth[row.month].push_back(row.id);
    std::map<int64_t, CSqlFile> files;
    // Every row must exist before any file changes.
    for (const auto& [month, ids] : byMonth) {
        CSqlFile& file = files[month];
        const int opened = m_impl->OpenMonth(file, month);
        if (opened != 1)
            return opened == curation::kNothing
                       ? m_impl->Fail(curation::kRefused, "there is no activity file " + CImpl::MonthFileName(month))
                       : opened;
        CRowTargets targets(file);
        for (const int64_t id : ids) {
            int64_t project = 0, task = 0;
            const int read = targets.Read(id, project, task);
            if (read == curation::kNothing)
                return m_impl->Fail(curation::kRefused,
                                    "there is no row " + std::to_string(id) + " in " + CImpl::MonthFileName(month));
            if (read != 1) return m_impl->Fail(read, file);
        }
    }
    const std::string summary = "assign " + std::to_string(rows.size()) + " rows to project " +
                                std::to_string(projectId) + ", task " + std::to_string(taskId);
    for (auto& [month, file] : files) {
        const std::string name = CImpl::MonthFileName(month);
        const int changed = m_impl->ChangeRows(file, "assign", summary, editId, [&](std::vector<CRowChange>& changes) {
            CRowTargets targets(file);
            for (const int64_t id : byMonth[month]) {
                int64_t project = 0, task = 0;
                if (const int read = targets.Read(id, project, task); read != 1)
                    return read == curation::kNothing
                               ? m_impl->Fail(curation::kRefused, "row " + std::to_string(id) + " is gone")
                               : read;
                Retarget(name, id, project, task, projectId, taskId, changes);
            }
            return 1;
        });
        if (changed != 1) {
            m_impl->FinishRows(editId);
            return changed;
        }
    }
    const int finished = m_impl->FinishRows(editId);
    if (finished != curation::kDone) editId = 0;
    return finished;
}

int CCuration::AssignSpan(int64_t from, int64_t to, int32_t projectId, int32_t taskId, int64_t& editId) {
    editId = 0;
    if (const int range = m_impl->CheckRange(from, to); range != 1) return range;
    CActivityReader reader(m_impl->m_folder);
    if (const int loaded = m_impl->Load(reader); loaded != 1) return loaded;
    if (const int target = m_impl->CheckTarget(reader.Catalogue(), projectId, taskId); target != 1) return target;
    const std::string summary = "assign " + std::to_string(from) + ".." + std::to_string(to) + " to project " +
                                std::to_string(projectId) + ", task " + std::to_string(taskId);
    for (const int64_t month : CImpl::Months(from, to)) {
        CSqlFile file;
        const int opened = m_impl->OpenMonth(file, month);
        if (opened == curation::kNothing) continue;
        if (opened != 1) return opened;
        const std::string name = CImpl::MonthFileName(month);
        const int changed = m_impl->ChangeRows(file, "assign", summary, editId, [&](std::vector<CRowChange>& changes) {
            const auto [first, last] = InMonth(month, from, to);
            CSqlStatement select(file, kSelectRows);
            select.Bind(1, first).Bind(2, last);
            int stepped;
            while ((stepped = select.Step()) == 1)
                Retarget(name, select.Int(0), Stored(select, kProjectColumn), Stored(select, kTaskColumn), projectId,
                         taskId, changes);
            return stepped == 0 ? 1 : stepped;
        });
        if (changed != 1) {
            m_impl->FinishRows(editId);
            return changed;
        }
    }
    const int finished = m_impl->FinishRows(editId);
    if (finished != curation::kDone) editId = 0;
    return finished;
}
