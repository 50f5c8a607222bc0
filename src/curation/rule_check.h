#pragma once
// A rule as a person writes it (CRuleSpec) and as the rule engine reads it
// (CDBRule), and the check that the engine could ever accept it.

#include <string>

#include "curation/curation_types.h"
#include "storage/catalogue.h"
#include "storage/db_rule.h"

// The stored form: texts in the collector's narrow text, the type as its
// selector bit and the priority in AppType's bits 5-9; in force as Status 1.
CDBRule ToStoredRule(const CRuleSpec& rule);
CRuleSpec FromStoredRule(const CDBRule& rule);

// Why the engine would never accept `rule`, or why it cannot be stored
// against `catalogue`; empty when it is fine.
std::string RuleProblem(const CRuleSpec& rule, const CCatalogue& catalogue);
