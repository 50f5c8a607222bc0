#pragma once
// Forgetting what was recorded over a span of time, for the activities the
// collector still holds itself: the activity in progress and those waiting
// to be stored, in memory and in the checkpoint.
//
// Details: the title (which holds a messenger's conversation too), the
// address and the site go; time, type, program, project and task stay.
// Whole: the activity becomes "nothing recorded": Offline, with the
// collector's stand-in for no program, no title, address, site, project or
// task; its times and account stay, so the series has no gap.
//
// qlorules forget asks a running collector through a request file beside
// the databases, "QLOCollector.forget", holding only the span and the kind:
// it writes the file, sends the forget control message and waits until the
// collector has removed it, which the collector does once its activities
// and checkpoint are clean. With no collector running the tool applies
// ForgetInCheckpoint to the checkpoint file itself.
//
// Paths are narrow (the ANSI code page on Windows, UTF-8 on Linux).

#include <cstdint>
#include <string>

#include "core/activity_checkpoint.h"
#include "sensing/activity.h"

struct CForgetSpan {
    int64_t from = 0, to = 0;  // packed local time stamps, both included
    bool whole = false;
};

// True when `activity` meets the span: it starts in it or runs into it.
bool ForgetReaches(const CForgetSpan& span, const CActivity& activity);
// Drops the details of `activity` (`whole`: makes it nothing recorded).
void ForgetActivity(CWinActivity& activity, bool whole);
// Applies the span to the waiting activities of `state` and to its activity
// in progress; a whole activity in progress ends at its finish as one
// forgotten waiting activity, followed by an activity in progress of no
// length without details. The number of activities changed.
int ForgetInCheckpoint(CCheckpointState& state, const CForgetSpan& span);

// The request file of the database folder `folder`.
std::string ForgetRequestPath(const std::string& folder, char separator);
// 1 written; 0 not.
int WriteForgetRequest(const std::string& path, const CForgetSpan& span);
// 1 read; 0 there is none; -1 it holds no request.
int ReadForgetRequest(const std::string& path, CForgetSpan& span);
// True when the file is gone (or never was).
bool RemoveForgetRequest(const std::string& path);
