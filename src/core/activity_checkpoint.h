#pragma once
// The checkpoint: what a crash, a kill or a power cut would otherwise take
// from the collector, kept in one small file beside the databases.
//
// It holds the activity in progress up to its latest observed finish, the
// finished activities that could not be stored yet (oldest first), and the
// moment up to which time is accounted for. The time manager rewrites it at
// every change of activity and at most every 30 seconds while one goes on,
// and at the next start turns it into rows before it measures the gap since
// the last one. The file is written durably (a flushed temporary file renamed
// over the old one) and ends with a checksum, so a torn or damaged file is
// recognised and ignored, never half used.
//
// The format is text: a header line, "last <stamp> <offset>", one record per
// activity ("current" or "pending", then its numbers, then six length-prefixed
// texts: file name, path, title, domain, user name, address), and "end
// <records> <FNV-1a of everything before, hex>". Moments keep their UTC
// offset, so durations across a change of daylight saving time come out right.
//
// Results: Read 1 read, 0 no checkpoint, -1 damaged (`why` says how); Write
// 1, 0 the file could not be written (the old one stays); Remove 1, 0.
// Not thread-safe: the time manager calls it under its lock.

#include <string>
#include <vector>

#include "sensing/activity.h"

struct CCheckpointState {
    // Up to where time is accounted for; stamp 0 when nothing is.
    CMoment last;
    bool hasCurrent = false;
    // The activity in progress, its finish at `last`.
    CWinActivity current;
    // Finished activities waiting to be stored, oldest first.
    std::vector<CWinActivity> pending;
};

// The checkpoint as text, and back. DecodeCheckpoint: 1; 0 damaged (`why`).
std::string EncodeCheckpoint(const CCheckpointState& state);
int DecodeCheckpoint(const std::string& text, CCheckpointState& state, std::string& why);

class CActivityCheckpoint {
public:
    // The file "QLOCollector.checkpoint" in `folder` (the database folder).
    void SetFolder(const std::string& folder, char separator);
    const std::string& Path() const { return m_path; }
    int Read(CCheckpointState& state, std::string& why) const;
    int Write(const CCheckpointState& state) const;
    int Remove() const;

private:
    std::string m_path;
};
