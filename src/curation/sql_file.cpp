#include "curation/sql_file.h"

#include "curation/curation_types.h"

CSqlFile::~CSqlFile() { Close(); }

int CSqlFile::Open(const std::string& pathUtf8, bool create, int busyLimitMs) {
    Close();
    m_path = pathUtf8;
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOMUTEX;
    const int code = sqlite3_open_v2(pathUtf8.c_str(), &m_db, flags, nullptr);
    if (code != SQLITE_OK) {
        const int result = Failed(code);
        Close();
        return result;
    }
    sqlite3_busy_timeout(m_db, busyLimitMs);
    // What a change frees is overwritten, not left in the file's free space
    // (the collector's connections do the same).
    return Exec("PRAGMA secure_delete = ON");
}

void CSqlFile::Close() {
    if (m_db) sqlite3_close_v2(m_db);
    m_db = nullptr;
}

int CSqlFile::Exec(const char* sql) {
    const int code = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
    return code == SQLITE_OK ? 1 : Failed(code);
}

void CSqlFile::Rollback() {
    if (m_db && !sqlite3_get_autocommit(m_db)) sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

int CSqlFile::Failed(int code) {
    const bool busy = (code & 0xFF) == SQLITE_BUSY || (code & 0xFF) == SQLITE_LOCKED;
    m_error = m_path + ": " +
              (busy ? "still busy (another program holds it) after the wait limit"
                    : (m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(code)));
    return busy ? curation::kBusy : curation::kFailed;
}

CSqlStatement::CSqlStatement(CSqlFile& file, const char* sql) : m_file(file) {
    const int code = sqlite3_prepare_v2(file.Handle(), sql, -1, &m_statement, nullptr);
    if (code != SQLITE_OK) {
        m_prepared = file.Failed(code);
        m_statement = nullptr;
    }
}

CSqlStatement::~CSqlStatement() { sqlite3_finalize(m_statement); }

CSqlStatement& CSqlStatement::Bind(int at, int64_t value) {
    sqlite3_bind_int64(m_statement, at, value);
    return *this;
}

CSqlStatement& CSqlStatement::Bind(int at, const std::string& text) {
    sqlite3_bind_text(m_statement, at, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    return *this;
}

CSqlStatement& CSqlStatement::BindNull(int at) {
    sqlite3_bind_null(m_statement, at);
    return *this;
}

int CSqlStatement::Step() {
    if (!m_statement) return m_prepared;
    const int code = sqlite3_step(m_statement);
    if (code == SQLITE_ROW) return 1;
    if (code == SQLITE_DONE) return 0;
    return m_file.Failed(code);
}

int CSqlStatement::Run() {
    const int stepped = Step();
    Reset();
    return stepped == 0 ? 1 : stepped == 1 ? curation::kFailed : stepped;
}

void CSqlStatement::Reset() {
    if (!m_statement) return;
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
}

std::string CSqlStatement::Text(int column) const {
    const unsigned char* text = sqlite3_column_text(m_statement, column);
    return text ? std::string(reinterpret_cast<const char*>(text),
                              static_cast<size_t>(sqlite3_column_bytes(m_statement, column)))
                : std::string();
}
