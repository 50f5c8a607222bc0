#pragma once
// What qlosync keeps beside the collector's databases (it never writes the
// collector's own files):
//
//   "qlosync.id"     the collector's identity on the team store, made once:
//                    32 hexadecimal digits of randomness. Rows are unique on
//                    the store by this identity, the month of their file and
//                    their Id_Activity, so a lost identity would send every
//                    row again as another machine's: an identity file that
//                    cannot be read stops the push instead of being remade.
//   "qlosync.state"  what is on the store: its id, the hash of the names
//                    last sent, and for each month file the highest
//                    Id_Activity sent and committed (rows are pushed in
//                    Id_Activity order, which the collector only ever adds
//                    to); the kinds of detail the store holds of this
//                    collector (kShare... bits: what the last push shared;
//                    all of them when the file does not say, as pushes
//                    shared everything before the settings existed); the
//                    sequence of the last entry of the journal of rewritten
//                    rows (changed_ranges.h) whose rows the store holds,
//                    with the id of that store; also the identity again,
//                    and the last push's outcome for `qlosync status`. Replaced whole (a new
//                    file renamed over it), and only after the server
//                    committed what it records, so a push cut short at any
//                    moment leaves marks at or behind the store: the next
//                    push sends again what may already be there, and the
//                    store keeps one copy.
//   "qlosync.lock"   held while a push runs.
//
// Not thread-safe.

#include <cstdint>
#include <map>
#include <string>

#include "platform/file.h"
#include "teamstore/team_store_settings.h"

struct CSyncState {
    std::string identity;
    std::string storeId;
    uint64_t namesHash = 0;
    std::map<int, int64_t> marks;  // month (yyyymm) -> highest Id_Activity on the store
    unsigned shared = kShareAll;
    // The journal's entries up to this sequence are on the store of
    // `changesStore` (another store's sequence says nothing).
    std::string changesStore;
    int64_t changesSeen = 0;
    // The last push: when (packed local time), its result (1 done), the rows
    // it added and its message; and the last push that ended well.
    int64_t lastAttempt = 0;
    int lastResult = 0;
    int64_t lastRows = 0;
    std::string lastMessage;
    int64_t lastSuccess = 0;
    int64_t lastSuccessRows = 0;
};

class CSyncFiles {
public:
    // `folder`: the collector's database folder, UTF-8.
    explicit CSyncFiles(std::string folder);

    // 1 read; 0 there is none; -1 damaged (the caller starts afresh: the
    // store keeps one copy of what is sent again).
    int LoadState(CSyncState& state) const;
    // 1 written; 0 not (the previous state stays).
    int SaveState(const CSyncState& state) const;

    // The identity of the folder: read, restored from the state when only
    // its file is gone, or made when neither has one. 1; 0 with `error`.
    int Identity(const CSyncState& state, std::string& identity, std::string& error) const;

    // Holds "qlosync.lock" until the object goes; false when another push
    // holds it (or it cannot be made).
    bool Lock();

    std::string PathOf(const char* name) const;

private:
    std::string m_folder;
    CPlatformFile m_lock;
};
