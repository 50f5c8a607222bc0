#pragma once
// The Linux clock's conversion of a moment to local time, exposed for its
// tests.
//
// Zones change their offset only at whole minutes, so within a minute only
// the seconds move: the local time of the minute last converted is kept per
// thread and localtime_r (a lock and the zone's rules, a good part of a
// collector tick's cost) runs once a minute. A minute that does not begin at
// second 0 (an offset with seconds, a leap second) is not kept. A zone read
// anew (tzset) counts from the next minute.

#include <time.h>

#include "platform/clock.h"

CLocalTime LocalTimeAt(const timespec& moment);
