#include "core/stored_activity.h"

#include <utility>

CWinActivity StoredActivity(const CCatalogue& catalogue, const CDBActivity& row) {
    CWinActivity activity(row.GetActivityType());
    CWinProcess process(0, row.GetTitle());
    if (const CDBApp* app = catalogue.FindApp(row.GetAppId())) {
        process.SetFileName(app->GetFileName());
        process.SetPath(app->GetPath());
    }
    activity.SetProcess(process);
    activity.SetURL(row.GetURL(), CDBActivity::kUrlSize);
    activity.SetDates(row.GetStartDate(), row.GetFinishDate());
    activity.SetAppId(row.GetAppId());
    activity.SetSiteId(row.GetSiteId());
    activity.SetUserId(row.GetUserId());
    return activity;
}

void LoadRuleEngine(CRuleEngine& engine, const CCatalogue& catalogue) {
    CBaseStorage<CDBRule> rules;
    rules.AppendFrom(catalogue.Rules());
    engine.SetRules(std::move(rules));
    engine.SetDefaultTask(catalogue.Tasks());
}
