#pragma once
// The kinds of log file: each differs only in its title. All keep their file
// open between writes and stamp every line.

#include "log/base_log.h"

class CInfoLog : public CBaseLog {
public:
    CInfoLog() : CBaseLog("QLO Information Log", 2, 1, 1) {}
};

class CErrorLog : public CBaseLog {
public:
    CErrorLog() : CBaseLog("QLO Error Log", 2, 1, 1) {}
};

// A log without a title of its own; the collector never creates one.
class CSimpleLog : public CBaseLog {
public:
    CSimpleLog() : CBaseLog(nullptr, 2, 1, 1) {}
};
