#pragma once
// What a push that ended well tells its person, once each:
//   - the rows of this machine that the store kept apart since the last
//     notice because their week was approved (they are marked noticed);
//   - the budgets of the person's projects that passed 80 % or 100 % of
//     their hours since the person was last told (the levels are recorded,
//     so that the next push is silent until the next level or period).
// Lines are UTF-8 and safe for a terminal. 1, or 0 when a statement failed
// (the connection tells why); the notices are a courtesy: the push's rows
// are stored whatever this answers.

#include <cstdint>
#include <string>
#include <vector>

#include "teamstore/pg_connection.h"

// `today` packed: the day whose month a monthly budget counts.
int ReadPushNotices(CPgConnection& connection, const std::string& machineId, const std::string& person, int64_t today,
                    std::vector<std::string>& notices);
