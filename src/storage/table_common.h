#pragma once
// What every table class has in common.
//
// A table class creates its table, inserts one record (the key column is
// left to SQLite) and selects records. It holds no connection and no state:
// it is built on the stack and handed a connection per call. Its CErrorBase
// stays empty; callers turn the results into recorded failures.
//
// Results of every operation: 1; 0 SQLite reported an error (the table is
// unchanged); -1 no connection object; -100 the connection is not open;
// -4 no memory for the statement; -5 the statement would not fit its buffer.
// A select appends the matching rows (null `where`: all rows, in SQLite's
// order) to `out`, and leaves `out` unchanged on failure. Every text value
// goes into a statement with its single quotes doubled. Create statements
// are kept character for character (doubled blanks and tabs included):
// SQLite stores them in sqlite_master and the desktop application reads the
// same files.

#include "log/error_base.h"
#include "storage/base_storage.h"
#include "storage/db_sqlite.h"
