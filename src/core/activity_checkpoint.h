#pragma once
// The checkpoint: what a crash, a kill or a power cut would otherwise take
// from the collector, kept in one small file beside the databases.
//
// It holds the activity in progress up to its latest observed finish, the
// finished activities that could not be stored yet (oldest first), and the
// moment up to which time is accounted for. The time manager rewrites it at
// every change of activity and at most every 30 seconds while one goes on,
// and at the next start turns it into rows before it measures the gap since
// the last one. It is kept as a CDurableFile (two alternating copies, each
// flushed to the disk and checked when read), so a write cut short costs at
// most the copy it was writing; the other, one write older, is used.
//
// The format is text: a header line, "last <stamp> <offset>", one record per
// activity ("current" or "pending", then its numbers, then six length-prefixed
// texts: file name, path, title, domain, user name, address), and "end
// <records>". Moments keep their UTC offset, so durations across a change of
// daylight saving time come out right.
//
// Every value is checked on reading: a record whose numbers the collector
// cannot have written (one out of its type's range, a stamp that is no date
// of the years 1970 to 9999, an offset beyond a day, a finish before the
// start, a duration below nothing or above the time from start to finish, a
// finished activity of no length, an activity in progress that began after
// the last moment) is left out and named in `rejected`; the other records
// stand. A text that is cut or malformed spoils the whole copy.
//
// Results: Read 1 read, 0 no checkpoint, -1 damaged: no whole copy, or one
// that does not decode (`why` says how; `damagedCopies` counts the spoilt
// copies even when another one was read); Write 1, 0 not written (the older
// copy stays).
// Not thread-safe: the time manager calls it under its lock.

#include <string>
#include <vector>

#include "platform/durable_file.h"
#include "sensing/activity.h"

struct CCheckpointState {
    // Up to where time is accounted for; stamp 0 when nothing is.
    CMoment last;
    bool hasCurrent = false;
    // The activity in progress, its finish at `last`.
    CWinActivity current;
    // Finished activities waiting to be stored, oldest first.
    std::vector<CWinActivity> pending;
    // Read only: the records left out, "<kind> <file name> <title>: <why>".
    std::vector<std::string> rejected;
};

// The checkpoint as text, and back. DecodeCheckpoint: 1; 0 damaged (`why`).
std::string EncodeCheckpoint(const CCheckpointState& state);
int DecodeCheckpoint(const std::string& text, CCheckpointState& state, std::string& why);

class CActivityCheckpoint {
public:
    // The copies "QLOCollector.checkpoint.0" and ".1" in `folder` (the
    // database folder).
    void SetFolder(const std::string& folder, char separator);
    // Without the copies' suffix; empty before SetFolder.
    const std::string& Path() const { return m_file.Path(); }
    int Read(CCheckpointState& state, std::string& why, int& damagedCopies);
    int Write(const CCheckpointState& state);
    // Writes `state` over both copies, so that neither keeps what it held
    // before (after forgetting). 1; 0 a copy was not written.
    int Overwrite(const CCheckpointState& state);

private:
    CDurableFile m_file;
};
