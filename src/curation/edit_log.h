#pragma once
// The edit log: "edits.db" beside the collector's databases, our own file
// (the collector's tables never hold any of it). One entry per edit with
// the values before and after of every activity row it changed (file name
// and Id_Activity) and of every catalogue row (the whole row as JSON text,
// empty when there was none).
//
// States: "pending" (being made: written before the rows change), "done",
// "undoing" (being undone), "undone", "forgotten" (every row it changed was
// forgotten whole since: nothing left to undo). Not thread-safe; several processes
// may share the file (each change is a transaction of its own).

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "curation/curation_types.h"
#include "curation/sql_file.h"

// An id column's value NULL.
inline constexpr int64_t kNullValue = INT64_MIN;

struct CRowChange {
    std::string file;  // "actMMYY.db"
    int64_t row = 0;
    int64_t beforeProject = kNullValue, beforeTask = kNullValue;
    int64_t afterProject = kNullValue, afterTask = kNullValue;
};

struct CCatalogueChange {
    std::string table;  // T_Projects, T_Tasks or T_Rules
    int64_t row = 0;
    std::string before, after;  // JSON objects of the columns; empty: no row
};

class CEditLog {
public:
    // Opens (creates) the log in `folderUtf8`. 1 or a failure result.
    int Open(const std::string& folderUtf8, int busyLimitMs);
    const std::string& Error() const { return m_file.Error(); }

    // A new pending entry; `id` receives it.
    int Begin(const std::string& kind, const std::string& summary, int64_t made, int64_t& id);
    int AddRows(int64_t id, const std::vector<CRowChange>& rows);
    int AddCatalogue(int64_t id, const CCatalogueChange& change);
    // Drops these activity rows from the entry (they did not change after all).
    int DropRows(int64_t id, const std::vector<CRowChange>& rows);
    int SetState(int64_t id, const std::string& state, int64_t undoneAt = 0);
    // Takes the entries of these rows of `file` out of every entry, which
    // then no longer names their projects and tasks; a done entry left with
    // no row and no catalogue change becomes "forgotten". Deleted content is
    // overwritten in the file. `cleared` gets the number taken out.
    int ForgetRows(const std::string& file, const std::vector<int64_t>& rows, int64_t& cleared);
    // Removes an entry that changed nothing.
    int Remove(int64_t id);

    // Newest first; `limit` 0: all.
    int List(int limit, std::vector<CEditInfo>& out);
    // kNothing when there is no such entry.
    int Get(int64_t id, CEditInfo& out);
    // The newest entry in state "done"; kNothing when none.
    int NewestDone(int64_t& id);
    // Entries left pending or undoing.
    int Unsettled(std::vector<CEditInfo>& out);
    int Rows(int64_t id, std::vector<CRowChange>& out);
    int Catalogue(int64_t id, std::vector<CCatalogueChange>& out);
    // The newest entry after `id`, done, that also changed this row; 0 none.
    int64_t LaterEditOf(int64_t id, const std::string& file, int64_t row);
    // The newest done entry that assigned rows to this project (task: when
    // `task`) and is still in force; 0 none.
    int64_t EditAssigning(int64_t projectOrTask, bool task);

private:
    CSqlFile m_file;
};
