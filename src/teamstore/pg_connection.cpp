#include "teamstore/pg_connection.h"

#include <libpq-fe.h>

#include <cstdlib>
#include <cstring>
#include <utility>

namespace {
constexpr char kHidden[] = "********";

// libpq's message as one line: its lines joined, blanks trimmed.
std::string OneLine(const char* text) {
    std::string line;
    for (const char* c = text ? text : ""; *c; ++c) {
        if (*c == '\n' || *c == '\r' || *c == '\t') {
            if (!line.empty() && line.back() != ' ') line += ' ';
        } else {
            line += *c;
        }
    }
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    return line;
}
}  // namespace

std::string ScrubSecret(const std::string& text, const std::string& secret) {
    std::string scrubbed = text;
    if (secret.size() >= 4)
        for (size_t at = scrubbed.find(secret); at != std::string::npos; at = scrubbed.find(secret, at))
            scrubbed.replace(at, secret.size(), kHidden), at += sizeof kHidden - 1;
    // A connection string quoted back: its password value, quoted or not.
    for (size_t at = scrubbed.find("password="); at != std::string::npos; at = scrubbed.find("password=", at)) {
        at += 9;
        size_t end = at;
        if (end < scrubbed.size() && scrubbed[end] == '\'') {
            for (++end; end < scrubbed.size() && scrubbed[end] != '\''; ++end)
                if (scrubbed[end] == '\\') ++end;
            end = std::min(end + 1, scrubbed.size());
        } else {
            while (end < scrubbed.size() && scrubbed[end] != ' ' && scrubbed[end] != '&' && scrubbed[end] != '"')
                ++end;
        }
        scrubbed.replace(at, end - at, kHidden);
        at += sizeof kHidden - 1;
    }
    return scrubbed;
}

void CPgArray::Add(const std::string& value) {
    m_text += m_text.size() > 1 ? ",\"" : "\"";
    for (char c : value) {
        if (c == '"' || c == '\\') m_text += '\\';
        m_text += c;
    }
    m_text += '"';
}

void CPgArray::Add(int64_t value) {
    if (m_text.size() > 1) m_text += ',';
    m_text += std::to_string(value);
}

std::string CPgArray::Text() const { return m_text + '}'; }

CPgResult::~CPgResult() { PQclear(m_result); }
CPgResult::CPgResult(CPgResult&& other) noexcept : m_result(std::exchange(other.m_result, nullptr)) {}
CPgResult& CPgResult::operator=(CPgResult&& other) noexcept {
    if (this != &other) {
        PQclear(m_result);
        m_result = std::exchange(other.m_result, nullptr);
    }
    return *this;
}
int CPgResult::Rows() const { return m_result ? PQntuples(m_result) : 0; }
bool CPgResult::IsNull(int row, int column) const { return !m_result || PQgetisnull(m_result, row, column); }
std::string CPgResult::Text(int row, int column) const {
    return IsNull(row, column) ? std::string() : std::string(PQgetvalue(m_result, row, column));
}
int64_t CPgResult::Int64(int row, int column) const {
    return IsNull(row, column) ? 0 : std::strtoll(PQgetvalue(m_result, row, column), nullptr, 10);
}
int64_t CPgResult::Affected() const { return m_result ? std::strtoll(PQcmdTuples(m_result), nullptr, 10) : 0; }

CPgConnection::~CPgConnection() { Close(); }

void CPgConnection::Close() {
    if (m_conn) PQfinish(m_conn);
    m_conn = nullptr;
}

bool CPgConnection::IsOpen() const { return m_conn && PQstatus(m_conn) == CONNECTION_OK; }

bool CPgConnection::ConnectionLost() const { return !IsOpen(); }

int CPgConnection::Fail(const char* text, const char* sqlState) {
    m_errorText = ScrubSecret(OneLine(text), m_password);
    if (m_errorText.empty()) m_errorText = "the server gave no reason";
    m_sqlState = sqlState ? sqlState : "";
    return 0;
}

int CPgConnection::Connect(const std::string& conninfo, const std::string& password) {
    Close();
    m_password = password;
    const char* keywords[] = {"dbname", "password", "client_encoding", "fallback_application_name", nullptr};
    const char* values[] = {conninfo.c_str(), password.empty() ? nullptr : password.c_str(), "UTF8", "qlosync",
                            nullptr};
    // expand_dbname: the first value is the whole connection string; the
    // entries after it add to it.
    m_conn = PQconnectdbParams(keywords, values, 1);
    if (!m_conn) return Fail("out of memory", nullptr);
    if (PQstatus(m_conn) != CONNECTION_OK) {
        const int result = Fail(PQerrorMessage(m_conn), nullptr);
        Close();
        return result;
    }
    // The server's notices ("already exists, skipping") are not for the user.
    PQsetNoticeProcessor(
        m_conn, [](void*, const char*) {}, nullptr);
    return 1;
}

int CPgConnection::Exec(const std::string& sql, const std::vector<std::string>& params, CPgResult* out) {
    if (!m_conn) return Fail("not connected", nullptr);
    std::vector<const char*> values;
    values.reserve(params.size());
    for (const std::string& param : params)
        values.push_back(param.c_str());
    CPgResult result(PQexecParams(m_conn, sql.c_str(), static_cast<int>(values.size()), nullptr, values.data(), nullptr,
                                  nullptr, 0));
    const ExecStatusType status = result.m_result ? PQresultStatus(result.m_result) : PGRES_FATAL_ERROR;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
        const char* primary = result.m_result ? PQresultErrorField(result.m_result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
        return Fail(primary ? primary : PQerrorMessage(m_conn),
                    result.m_result ? PQresultErrorField(result.m_result, PG_DIAG_SQLSTATE) : nullptr);
    }
    if (out) *out = std::move(result);
    return 1;
}
