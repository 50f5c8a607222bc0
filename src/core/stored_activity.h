#pragma once
// A stored row turned back into the activity the collector categorised, and
// the rule engine loaded as the collector loads it, so that tools decide
// about stored rows exactly as the collector decided when it stored them.

#include "core/rule_engine.h"
#include "storage/catalogue.h"
#include "storage/db_activity.h"

// The activity the collector categorised when it stored `row`: its
// program's file name and path from the catalogue, title, address, site,
// application and user ids, type and dates.
CWinActivity StoredActivity(const CCatalogue& catalogue, const CDBActivity& row);

// Loads `engine` with the catalogue's rules and default task.
void LoadRuleEngine(CRuleEngine& engine, const CCatalogue& catalogue);
