#pragma once
// One connection to the team store's PostgreSQL server through libpq, and
// the results of its statements.
//
// The password never travels inside the connection string: it is handed to
// libpq on its own (or libpq finds it itself: PGPASSWORD, the password file),
// and every text that comes back from libpq passes through ScrubSecret, so
// that neither a log nor a message can carry it.
//
// Results: 1 done; 0 failed, with ErrorText() (one line, scrubbed) and
// SqlState() (the server's five-character code; empty when the server gave
// none: a connection that could not be made or was lost).
// Not thread-safe: one thread uses a connection.

#include <cstdint>
#include <string>
#include <vector>

struct pg_conn;
struct pg_result;

// A statement's rows; owns the libpq result.
class CPgResult {
public:
    CPgResult() = default;
    ~CPgResult();
    CPgResult(CPgResult&& other) noexcept;
    CPgResult& operator=(CPgResult&& other) noexcept;
    CPgResult(const CPgResult&) = delete;
    CPgResult& operator=(const CPgResult&) = delete;

    int Rows() const;
    bool IsNull(int row, int column) const;
    // The value as text ("" for NULL) or as a number (0 for NULL or not a number).
    std::string Text(int row, int column) const;
    int64_t Int64(int row, int column) const;
    // Rows a command changed (an INSERT's rows added).
    int64_t Affected() const;

private:
    friend class CPgConnection;
    explicit CPgResult(pg_result* result) : m_result(result) {}
    pg_result* m_result = nullptr;
};

class CPgConnection {
public:
    CPgConnection() = default;
    ~CPgConnection();
    CPgConnection(const CPgConnection&) = delete;
    CPgConnection& operator=(const CPgConnection&) = delete;

    // Connects with `conninfo` (a libpq connection string without a password)
    // and `password` (empty: libpq's own ways). The client encoding is UTF-8.
    int Connect(const std::string& conninfo, const std::string& password);
    bool IsOpen() const;
    void Close();

    // Runs one statement with text parameters ($1, $2, ...); its rows into
    // `out` when given.
    int Exec(const std::string& sql, const std::vector<std::string>& params = {}, CPgResult* out = nullptr);

    const std::string& ErrorText() const { return m_errorText; }
    const std::string& SqlState() const { return m_sqlState; }
    // True when the last failure lost (or never had) the connection.
    bool ConnectionLost() const;

private:
    int Fail(const char* text, const char* sqlState);
    pg_conn* m_conn = nullptr;
    std::string m_password;  // only for scrubbing
    std::string m_errorText, m_sqlState;
};

// `text` with every occurrence of `secret` (4 characters or more) and every
// value of a "password=" in it replaced by "********".
std::string ScrubSecret(const std::string& text, const std::string& secret);

// An array parameter in PostgreSQL's text form ("{1,2}", "{\"a\",\"b\"}"):
// values are bound, never placed in the statement's text. Texts are quoted
// with '"' and '\\' escaped, so any text (empty, "NULL", braces, commas)
// arrives as it was.
class CPgArray {
public:
    void Add(const std::string& value);
    void Add(int64_t value);
    std::string Text() const;

private:
    std::string m_text = "{";
};
