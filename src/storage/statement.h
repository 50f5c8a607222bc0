#pragma once
// Running complete statement texts through sqlite3_exec, and the select
// procedure every table class shares.
//
// Rows of a select are collected by a row callback into the process-wide
// shared result list of the record type, then copied to the caller's list;
// the shared list is empty between calls. Two selects of the same record
// type must therefore not run at the same time (callers serialise them).

#include <cstddef>
#include <cstring>
#include <initializer_list>

#include "storage/base_storage.h"
#include "storage/db_sqlite.h"
#include "storage/sql_text.h"

// A statement without result rows (create, insert). 1 done; 0 SQLite reported
// an error (its text is released and dropped).
int ExecuteStatement(const CDBSQLite& connection, const char* sql);

// Runs `sql` with a row callback of sqlite3_exec's form. 1 or 0 as above.
using RowCallback = int (*)(void* context, int columns, char** values, char** names);
int ExecuteQuery(const CDBSQLite& connection, const char* sql, RowCallback callback, void* context);

// The process-wide shared result list of one record type.
template <class T>
CBaseStorage<T>& SharedRows() {
    static CBaseStorage<T> rows;
    return rows;
}

// The row callback of record type T: fills a cleared record column by column
// (T::SetColumn; NULL values leave fields cleared) and pushes it to the list
// given as context when it has data. Always 0, so SQLite delivers every row.
template <class T>
int CollectRow(void* context, int columns, char** values, char** names) {
    T record;
    for (int i = 0; i < columns; ++i)
        if (names[i]) record.SetColumn(names[i], values[i]);
    if (record.HasData()) static_cast<CBaseStorage<T>*>(context)->Push(record);
    return 0;
}

// Runs a select built in `sql` and appends its rows to `out`. 1; 0 SQLite
// reported an error (then `out` is unchanged).
template <class T>
int RunSelect(const CDBSQLite& connection, const char* sql, CBaseStorage<T>& out) {
    CBaseStorage<T>& shared = SharedRows<T>();
    shared.Clear();
    const int result = ExecuteQuery(connection, sql, &CollectRow<T>, &shared);
    if (result == 1) out.AppendFrom(shared);
    shared.Clear();
    return result;
}

// Where clauses given to a select are counted up to this many characters.
inline constexpr size_t kWhereLimit = 1024;

// The select of a table class: `fixedText` (its column list and from
// clause), followed by " where <clause>" when a clause is given (the clause
// may carry its own order-by and limit tail). The buffer holds the fixed
// text, the clause counted up to kWhereLimit characters and a small margin; a
// statement that does not fit is not run. Results: 1; 0 SQLite error; -1 no
// connection; -100 not open; -4 no memory; -5 too long.
template <class T>
int SelectWhere(const CDBSQLite* connection, const char* fixedText, const char* where, CBaseStorage<T>& out) {
    const int usable = CheckConnection(connection);
    if (usable != 1) return usable;
    constexpr size_t kMargin = 24;
    const size_t whereLength = where ? strnlen(where, kWhereLimit) : 0;
    CSqlText sql;
    const int allocated = sql.Allocate(static_cast<int>(std::strlen(fixedText) + kMargin + whereLength));
    if (allocated != 1) return allocated;
    const int built = where ? sql.AppendFormat("%s where %s", fixedText, where) : sql.AppendFormat("%s", fixedText);
    if (built != 1) return built;
    return RunSelect(*connection, sql.Get(), out);
}

// Runs a statement formatted from `format` whose text values are the quoted
// copies in `values` (passed again among the arguments). The buffer holds
// `room` characters for the fixed text and the numbers plus the quoted
// values. Results: 1; 0 SQLite error; -1 no connection; -100 not open; -4 no
// memory; -5 too long.
int ExecuteFormatted(CDBSQLite* connection, int room, std::initializer_list<const CQuotedText*> values,
                     const char* format, ...) QLO_PRINTF(4, 5);

// Runs the fixed create statement of a table. 1, 0, -1, -100.
int CreateTableWith(const CDBSQLite* connection, const char* createText);
