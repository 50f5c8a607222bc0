#include "curation/edit_log.h"

#include <set>

namespace {
constexpr char kSchema[] =
    "create table if not exists Edits(Id INTEGER PRIMARY KEY AUTOINCREMENT, Made INTEGER, Kind TEXT, "
    "Summary TEXT, State TEXT, Rows INTEGER DEFAULT 0, UndoneAt INTEGER DEFAULT 0);"
    "create table if not exists EditRows(Edit INTEGER, File TEXT, Row INTEGER, BeforeProject INTEGER, "
    "BeforeTask INTEGER, AfterProject INTEGER, AfterTask INTEGER);"
    "create index if not exists EditRowsByEdit on EditRows(Edit);"
    "create index if not exists EditRowsByRow on EditRows(File, Row);"
    "create table if not exists EditCatalogue(Edit INTEGER, TableName TEXT, Row INTEGER, Before TEXT, After TEXT);";
constexpr char kColumns[] = "select Id, Made, Kind, Summary, State, Rows, UndoneAt from Edits";

CEditInfo ReadEdit(const CSqlStatement& statement) {
    CEditInfo edit;
    edit.id = statement.Int(0);
    edit.made = statement.Int(1);
    edit.kind = statement.Text(2);
    edit.summary = statement.Text(3);
    edit.state = statement.Text(4);
    edit.rows = statement.Int(5);
    edit.undoneAt = statement.Int(6);
    return edit;
}

int64_t Value(const CSqlStatement& statement, int column) {
    return statement.IsNull(column) ? kNullValue : statement.Int(column);
}

int ReadEdits(CSqlStatement& statement, std::vector<CEditInfo>& out) {
    int stepped;
    while ((stepped = statement.Step()) == 1)
        out.push_back(ReadEdit(statement));
    return stepped == 0 ? 1 : stepped;
}

// Runs `work` in one write transaction of `file`.
template <class Work>
int InTransaction(CSqlFile& file, Work&& work) {
    int result = file.Begin();
    if (result != 1) return result;
    result = work();
    if (result == 1) result = file.Commit();
    if (result != 1) file.Rollback();
    return result;
}
}  // namespace

int CEditLog::Open(const std::string& folderUtf8, int busyLimitMs) {
    const int opened = m_file.Open(folderUtf8 + "/edits.db", true, busyLimitMs);
    return opened == 1 ? m_file.Exec(kSchema) : opened;
}

int CEditLog::Begin(const std::string& kind, const std::string& summary, int64_t made, int64_t& id) {
    CSqlStatement insert(m_file, "insert into Edits(Made, Kind, Summary, State) values (?, ?, ?, 'pending')");
    const int result = insert.Bind(1, made).Bind(2, kind).Bind(3, summary).Run();
    if (result == 1) id = m_file.LastInsertId();
    return result;
}

int CEditLog::AddRows(int64_t id, const std::vector<CRowChange>& rows) {
    return InTransaction(m_file, [&] {
        CSqlStatement insert(m_file, "insert into EditRows values (?, ?, ?, ?, ?, ?, ?)");
        for (const CRowChange& change : rows) {
            insert.Bind(1, id).Bind(2, change.file).Bind(3, change.row);
            insert.BindId(4, change.beforeProject, change.beforeProject == kNullValue);
            insert.BindId(5, change.beforeTask, change.beforeTask == kNullValue);
            insert.BindId(6, change.afterProject, change.afterProject == kNullValue);
            insert.BindId(7, change.afterTask, change.afterTask == kNullValue);
            if (const int result = insert.Run(); result != 1) return result;
        }
        CSqlStatement count(m_file, "update Edits set Rows = Rows + ? where Id = ?");
        return count.Bind(1, static_cast<int64_t>(rows.size())).Bind(2, id).Run();
    });
}

int CEditLog::AddCatalogue(int64_t id, const CCatalogueChange& change) {
    CSqlStatement insert(m_file, "insert into EditCatalogue values (?, ?, ?, ?, ?)");
    insert.Bind(1, id).Bind(2, change.table).Bind(3, change.row);
    if (change.before.empty())
        insert.BindNull(4);
    else
        insert.Bind(4, change.before);
    if (change.after.empty())
        insert.BindNull(5);
    else
        insert.Bind(5, change.after);
    return insert.Run();
}

int CEditLog::DropRows(int64_t id, const std::vector<CRowChange>& rows) {
    return InTransaction(m_file, [&] {
        CSqlStatement drop(m_file, "delete from EditRows where Edit = ? and File = ? and Row = ?");
        for (const CRowChange& change : rows)
            if (const int result = drop.Bind(1, id).Bind(2, change.file).Bind(3, change.row).Run(); result != 1)
                return result;
        CSqlStatement count(m_file, "update Edits set Rows = Rows - ? where Id = ?");
        return count.Bind(1, static_cast<int64_t>(rows.size())).Bind(2, id).Run();
    });
}

int CEditLog::SetState(int64_t id, const std::string& state, int64_t undoneAt) {
    CSqlStatement update(m_file, "update Edits set State = ?, UndoneAt = ? where Id = ?");
    return update.Bind(1, state).Bind(2, undoneAt).Bind(3, id).Run();
}

int CEditLog::ForgetRows(const std::string& file, const std::vector<int64_t>& rows, int64_t& cleared) {
    cleared = 0;
    return InTransaction(m_file, [&] {
        std::set<int64_t> edits;
        CSqlStatement find(m_file, "select distinct Edit from EditRows where File = ? and Row = ?");
        CSqlStatement drop(m_file, "delete from EditRows where File = ? and Row = ?");
        for (const int64_t row : rows) {
            find.Bind(1, file).Bind(2, row);
            int stepped;
            while ((stepped = find.Step()) == 1)
                edits.insert(find.Int(0));
            find.Reset();
            if (stepped != 0) return stepped;
            if (const int result = drop.Bind(1, file).Bind(2, row).Run(); result != 1) return result;
            cleared += sqlite3_changes(m_file.Handle());
        }
        CSqlStatement count(m_file,
                            "update Edits set Rows = (select count(*) from EditRows where Edit = ?1) where Id = ?1");
        CSqlStatement forgotten(m_file,
                                "update Edits set State = 'forgotten' where Id = ? and State = 'done' and Rows = 0 and "
                                "not exists (select 1 from EditCatalogue where Edit = Id)");
        for (const int64_t edit : edits) {
            if (const int result = count.Bind(1, edit).Run(); result != 1) return result;
            if (const int result = forgotten.Bind(1, edit).Run(); result != 1) return result;
        }
        return 1;
    });
}

int CEditLog::Remove(int64_t id) {
    return InTransaction(m_file, [&] {
        for (const char* sql : {"delete from EditRows where Edit = ?", "delete from EditCatalogue where Edit = ?",
                                "delete from Edits where Id = ?"}) {
            CSqlStatement remove(m_file, sql);
            if (const int result = remove.Bind(1, id).Run(); result != 1) return result;
        }
        return 1;
    });
}

int CEditLog::List(int limit, std::vector<CEditInfo>& out) {
    CSqlStatement select(
        m_file,
        (std::string(kColumns) + " where State in ('done', 'undone', 'forgotten') order by Id desc limit ?").c_str());
    return ReadEdits(select.Bind(1, limit > 0 ? limit : -1), out);
}

int CEditLog::Get(int64_t id, CEditInfo& out) {
    CSqlStatement select(m_file, (std::string(kColumns) + " where Id = ?").c_str());
    const int stepped = select.Bind(1, id).Step();
    if (stepped == 1) out = ReadEdit(select);
    return stepped == 0 ? curation::kNothing : stepped;
}

int CEditLog::NewestDone(int64_t& id) {
    CSqlStatement select(m_file, "select max(Id) from Edits where State = 'done'");
    const int stepped = select.Step();
    if (stepped != 1) return stepped;
    if (select.IsNull(0)) return curation::kNothing;
    id = select.Int(0);
    return 1;
}

int CEditLog::Unsettled(std::vector<CEditInfo>& out) {
    CSqlStatement select(m_file,
                         (std::string(kColumns) + " where State in ('pending', 'undoing') order by Id").c_str());
    return ReadEdits(select, out);
}

int CEditLog::Rows(int64_t id, std::vector<CRowChange>& out) {
    CSqlStatement select(m_file,
                         "select File, Row, BeforeProject, BeforeTask, AfterProject, AfterTask from "
                         "EditRows where Edit = ? order by File, Row");
    select.Bind(1, id);
    int stepped;
    while ((stepped = select.Step()) == 1)
        out.push_back(
            {select.Text(0), select.Int(1), Value(select, 2), Value(select, 3), Value(select, 4), Value(select, 5)});
    return stepped == 0 ? 1 : stepped;
}

int CEditLog::Catalogue(int64_t id, std::vector<CCatalogueChange>& out) {
    CSqlStatement select(m_file, "select TableName, Row, Before, After from EditCatalogue where Edit = ?");
    select.Bind(1, id);
    int stepped;
    while ((stepped = select.Step()) == 1)
        out.push_back({select.Text(0), select.Int(1), select.Text(2), select.Text(3)});
    return stepped == 0 ? 1 : stepped;
}

int64_t CEditLog::LaterEditOf(int64_t id, const std::string& file, int64_t row) {
    CSqlStatement select(m_file,
                         "select max(Edit) from EditRows join Edits on Id = Edit where Edit > ? and "
                         "State = 'done' and File = ? and Row = ?");
    return select.Bind(1, id).Bind(2, file).Bind(3, row).Step() == 1 && !select.IsNull(0) ? select.Int(0) : 0;
}

int64_t CEditLog::EditAssigning(int64_t projectOrTask, bool task) {
    CSqlStatement select(m_file, task ? "select max(Edit) from EditRows join Edits on Id = Edit where State = "
                                        "'done' and AfterTask = ?"
                                      : "select max(Edit) from EditRows join Edits on Id = Edit where State = "
                                        "'done' and AfterProject = ?");
    return select.Bind(1, projectOrTask).Step() == 1 && !select.IsNull(0) ? select.Int(0) : 0;
}
