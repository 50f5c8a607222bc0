#include "storage/statement.h"

#include <sqlite3.h>

#include <cstdarg>

int ExecuteQuery(const CDBSQLite& connection, const char* sql, RowCallback callback, void* context) {
    char* error = nullptr;
    const int rc = sqlite3_exec(connection.GetHandle(), sql, callback, context, &error);
    if (error) sqlite3_free(error);
    return rc == SQLITE_OK ? 1 : 0;
}

int ExecuteStatement(const CDBSQLite& connection, const char* sql) {
    return ExecuteQuery(connection, sql, nullptr, nullptr);
}

int CreateTableWith(const CDBSQLite* connection, const char* createText) {
    const int usable = CheckConnection(connection);
    if (usable != 1) return usable;
    return ExecuteStatement(*connection, createText);
}

int ExecuteFormatted(CDBSQLite* connection, int room, std::initializer_list<const CQuotedText*> values,
                     const char* format, ...) {
    const int usable = CheckConnection(connection);
    if (usable != 1) return usable;
    CSqlText sql;
    va_list arguments;
    va_start(arguments, format);
    const int built = FormatQuotedV(sql, room, values, format, arguments);
    va_end(arguments);
    if (built != 1) return built;
    return ExecuteStatement(*connection, sql.Get());
}
