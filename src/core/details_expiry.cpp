#include "core/details_expiry.h"

#include <sqlite3.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <memory>

#include "platform/text.h"
#include "sensing/time_stamp.h"
#include "storage/activity_file_name.h"
#include "storage/activity_reader.h"
#include "storage/changed_ranges.h"

namespace {
constexpr char kStateFileName[] = "QLOCollector.expiry";
// Rows of the run that still hold details, in stored order after a row.
constexpr char kSelect[] =
    "select Id_Activity, StartDate from T_Activities where Id_Activity > ? and StartDate < ? and (Title <> '' or "
    "URL is not null or Description is not null or Id_Site <> 0) order by Id_Activity limit ?";
constexpr char kUpdate[] =
    "update T_Activities set Title = '', URL = NULL, Description = NULL, Id_Site = 0 where Id_Activity = ?";

struct CloseDb {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct Finalize {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Database = std::unique_ptr<sqlite3, CloseDb>;
using Statement = std::unique_ptr<sqlite3_stmt, Finalize>;

Statement Prepare(sqlite3* db, const char* sql) {
    sqlite3_stmt* raw = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &raw, nullptr);
    return Statement(raw);
}
}  // namespace

void CDetailsExpiry::SetFolder(const std::string& folder, char separator) {
    m_folder = folder;
    m_separator = std::string(1, separator);
    if (!m_folder.empty() && m_folder.back() == separator) m_folder.pop_back();
    m_stateFile = m_folder + m_separator + kStateFileName;
}

void CDetailsExpiry::Begin(int64_t cutoff) {
    m_cutoff = cutoff;
    m_running = true;
    m_month = 0;
    m_afterId = 0;
    m_rowsChanged = 0;
    CActivityReader reader(NarrowToUtf8(m_folder.c_str()));
    if (reader.ListMonths(m_months) != 1) m_months.clear();
    // Only files whose month begins before the cut-off hold such rows.
    m_months.erase(std::remove_if(m_months.begin(), m_months.end(), [&](int64_t month) { return month >= cutoff; }),
                   m_months.end());
}

int CDetailsExpiry::Step(int transactions, std::string& error) {
    for (int done = 0; m_running && done < transactions; ++done) {
        if (m_month >= m_months.size()) {
            m_running = false;
            break;
        }
        const int batch = Batch(error);
        if (batch < 0) return -1;
        if (batch == 1) {
            ++m_month;
            m_afterId = 0;
        }
    }
    return m_running ? 0 : 1;
}

int CDetailsExpiry::Batch(std::string& error) {
    char name[32];
    FormatActivityFileName(m_months[m_month], name);
    const std::string path = NarrowToUtf8((m_folder + m_separator + name).c_str());
    sqlite3* raw = nullptr;
    const int opened = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    Database db(raw);
    if (opened != SQLITE_OK) {
        // A file gone since the run began holds nothing to do.
        if (opened == SQLITE_CANTOPEN) return 1;
        error = path + ": " + sqlite3_errstr(opened);
        return -1;
    }
    sqlite3_busy_timeout(db.get(), m_busyLimitMs);
    const auto fail = [&] {
        error = path + ": " + sqlite3_errmsg(db.get());
        sqlite3_exec(db.get(), "ROLLBACK", nullptr, nullptr, nullptr);
        return -1;
    };
    if (sqlite3_exec(db.get(), "PRAGMA secure_delete = ON; BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        return fail();
    Statement select = Prepare(db.get(), kSelect);
    Statement update = Prepare(db.get(), kUpdate);
    if (!select || !update) return fail();
    sqlite3_bind_int64(select.get(), 1, m_afterId);
    sqlite3_bind_int64(select.get(), 2, m_cutoff);
    sqlite3_bind_int(select.get(), 3, kBatchRows);
    int64_t rows = 0, first = INT64_MAX, last = 0, afterId = m_afterId;
    int code;
    while ((code = sqlite3_step(select.get())) == SQLITE_ROW) {
        afterId = sqlite3_column_int64(select.get(), 0);
        const int64_t start = sqlite3_column_int64(select.get(), 1);
        first = std::min(first, start);
        last = std::max(last, start);
        sqlite3_bind_int64(update.get(), 1, afterId);
        if (sqlite3_step(update.get()) != SQLITE_DONE) return fail();
        sqlite3_reset(update.get());
        ++rows;
    }
    if (code != SQLITE_DONE || sqlite3_exec(db.get(), "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) return fail();
    m_afterId = afterId;
    m_rowsChanged += rows;
    if (rows > 0 && RecordChangedRange(NarrowToUtf8(m_folder.c_str()), first, last, error, m_busyLimitMs) != 1)
        return -1;
    return rows < kBatchRows ? 1 : 0;
}

int64_t CDetailsExpiry::LastRunDay() const {
    FILE* file = std::fopen(m_stateFile.c_str(), "rb");
    if (!file) return 0;
    int64_t day = 0;
    const bool read = std::fscanf(file, "last-run %" SCNd64, &day) == 1;
    std::fclose(file);
    return read ? day : 0;
}

int CDetailsExpiry::SetLastRunDay(int64_t day) const {
    FILE* file = std::fopen(m_stateFile.c_str(), "wb");
    if (!file) return 0;
    const bool written = std::fprintf(file, "last-run %" PRId64 "\n", day) > 0;
    return std::fclose(file) == 0 && written ? 1 : 0;
}
