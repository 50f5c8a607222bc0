#pragma once
// `qlosync push`: sends the rows of a collector's data folder that the team
// store does not have yet, with the names they need.
//
// The folder is read only through CActivityReader (read-only connections, a
// file locked for one statement or one chunk of rows at a time); what qlosync
// keeps of its own lies beside it (sync_state.h). The store learns:
//   - the person and this collector's identity and host (machines);
//   - the names of the catalogue, as the local reports show them, and which
//     local id names which (sent again only when they changed, and whenever
//     a row names an id the catalogue read before it did not have);
//   - the rows of every month file after that file's mark, oldest month
//     first, in Id_Activity order, in batches: one statement per batch
//     (orvanta.store_rows, the rows' columns as arrays: the rows added, or
//     replaced where they differ, and their days summed anew, in one
//     transaction), the mark moved only after its commit;
//   - then the rows the collector rewrote in place since the last push (the
//     journal of changed_ranges.h), sent again the same way.
// Of what was on the screen only the kinds `shared` names go (programs,
// sites, titles and conversations, addresses, user accounts; their names
// too); the rest is sent empty or 0. A kind no longer shared is emptied in
// this machine's rows on the store first; a kind shared anew sends every
// row again.
// Every statement is a transaction of its own and nothing is kept in the
// session between them (no temporary table, no named prepared statement, no
// setting), so a pooler in transaction mode may stand between. A push
// repeated, killed, cut off or refused at any moment and then resumed
// leaves exactly one copy of every row on the store, with the summaries of
// its days equal to the rows'.
//
// Texts go out as UTF-8 (the collector's narrow text converted; bytes that
// are not UTF-8 become U+FFFD, which the server would otherwise refuse).

#include <cstdint>
#include <string>
#include <vector>

#include "teamstore/team_store_settings.h"

struct CPushRequest {
    std::string folder;  // the collector's database folder, UTF-8
    CTeamStoreTarget target;
    std::string person;
    std::string host;
    int batchRows = 5000;
    unsigned shared = 0;  // kShare... bits
};

struct CPushOutcome {
    int result = 0;
    int64_t rowsSent = 0;              // rows sent (some may have been on the store already)
    int64_t rowsAdded = 0;             // rows the store did not have
    std::string message;               // what happened, one line (also kept for `qlosync status`)
    std::vector<std::string> notices;  // after a push that ended well: see teamstore/push_notices.h
};

// Results besides 1 and 0 (a failure: the data folder, the connection or a
// statement; the message says which): kSchemaMissing, kSchemaNewer, and:
inline constexpr int kPushStopped = -72;  // a stop request came between two batches
inline constexpr int kPushBusy = -73;     // another push of this folder is running

int PushFolder(const CPushRequest& request, CPushOutcome& outcome);
