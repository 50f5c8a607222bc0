#pragma once
// Reviewing and correcting the stored time: the catalogue (projects, tasks,
// rules), what a rule would catch, what is left uncategorised, re-applying
// the rules to the past, assigning blocks by hand, and undoing any of it.
// The review page and the rules command line are thin shells over this.
//
// It works on the collector's own files while the collector runs: func.db
// (T_Projects, T_Tasks, T_Rules), sys.db (read only) and the monthly
// activity files. Categorisation is the collector's rule engine loaded with
// the rules and default task as stored, never a copy of its logic.
//
// Every change of stored rows or catalogue rows is one SQLite transaction
// (BEGIN IMMEDIATE) that waits up to the busy limit for a file the collector
// holds, and is kept in an edit log of our own, "edits.db" in the same
// folder, with the values before and after per row, so that it can be undone
// after a restart too. The log entry is written "pending" before the change
// and marked "done" after it; an entry still pending at the next start is
// settled by looking at the rows themselves (changed: done; unchanged:
// dropped), so a crash between the files never leaves an edit that cannot be
// undone. Nothing is ever deleted from activity files; only Id_Project and
// Id_Task of existing rows change; type and times stay as recorded.
//
// Undo restores the values before. It is refused when a row it touched no
// longer holds what the edit wrote (a later edit changed it again: undo that
// one first), so edits touching different rows undo in any order and
// overlapping ones newest first. An edit already undone is refused.
//
// The activity in progress is no stored row (the collector writes a row
// only once the activity has ended), and every edit reads its rows inside its
// own write transaction, so a row the collector is about to store is never
// seen half-way; ranges reaching past the present are refused.
//
// After a catalogue change the running collector is asked to reload its
// rules (the reload control message); SetReloadRequest replaces that for
// tests. Its answer is in ReloadMessage().
//
// Texts given and returned are UTF-8; stored as the collector's narrow text.
// Results: curation::kDone, kNothing, kRefused, kBusy, kFailed
// (curation_types.h); LastError() says why in one line naming the input or
// file. Not thread-safe: one thread uses an object; several objects (and
// processes) may work on one folder at once.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "curation/curation_types.h"

class CCuration {
public:
    // How long a change waits for a busy file by default.
    static constexpr int kDefaultBusyLimitMs = 60000;

    // `folderUtf8`: the collector's database folder. `now` gives the packed
    // present (ranges after it are refused); by default the clock service.
    explicit CCuration(std::string folderUtf8, std::function<int64_t()> now = nullptr);
    ~CCuration();
    CCuration(const CCuration&) = delete;
    CCuration& operator=(const CCuration&) = delete;

    // Opens the edit log (created when missing) and settles pending entries.
    // kDone; kFailed (no folder, no sys.db or func.db, a file unreadable).
    int Open();

    void SetBusyLimitMs(int ms) { m_busyLimitMs = ms; }
    // Called after every catalogue change instead of the control message;
    // returns the line to report.
    void SetReloadRequest(std::function<std::string()> request) { m_reload = std::move(request); }
    const std::string& ReloadMessage() const { return m_reloadMessage; }
    const std::string& LastError() const { return m_error; }

    // --- Catalogue ------------------------------------------------------
    int ListProjects(std::vector<CProjectInfo>& out);
    // Tasks of `projectId` (0: of every project).
    int ListTasks(int32_t projectId, std::vector<CTaskInfo>& out);
    // Names: 1 to 254 characters, no control characters, unique among the
    // live projects (tasks: among the live tasks of their project).
    int AddProject(const std::string& name, int32_t& id);
    int RenameProject(int32_t id, const std::string& name);
    int HideProject(int32_t id, bool hidden);
    int AddTask(int32_t projectId, const std::string& name, int32_t& id);
    int RenameTask(int32_t id, const std::string& name);
    int HideTask(int32_t id, bool hidden);

    // Rules in the order the engine tries them.
    int ListRules(std::vector<CRuleInfo>& out);
    // kDone when the engine could ever accept `rule`; kRefused with the
    // reason otherwise: no condition, words the keyword test never finds
    // (capital letters, a leading or doubled blank, more than 7 words, a
    // word over 64 characters, longer than the field), an unknown type,
    // priority out of range, a period no time falls in, an unknown program,
    // site, project or task, or a task of another project.
    int CheckRule(const CRuleSpec& rule);
    // Checked as CheckRule. AddRule sets rule.id.
    int AddRule(CRuleSpec& rule);
    int ChangeRule(const CRuleSpec& rule);
    int RemoveRule(int32_t id);
    // The id of a recorded program by file name (letter case ignored) or
    // "#ID"; of a site by address. kRefused when none or several match.
    int FindProgram(const std::string& text, int32_t& id);
    int FindSite(const std::string& text, int32_t& id);

    // --- Views ----------------------------------------------------------
    // What `rule` (new, or changed when its id is set) would catch among the
    // rows starting in [from, to]; at most `limit` rows listed.
    int Preview(const CRuleSpec& rule, int64_t from, int64_t to, int limit, CPreview& out);
    // The programs, titles and sites of the Active and Idle rows of [from,
    // to] stored with no project or with the default task, most time first,
    // at most `limit` of each kind.
    int Uncategorized(int64_t from, int64_t to, int limit, std::vector<CUncategorizedItem>& out);
    // The stored rows starting in [from, to], oldest first.
    int Rows(int64_t from, int64_t to, std::vector<CRowInfo>& out);

    // --- Changes of stored rows ------------------------------------------
    // Re-categorises the Active and Idle rows of [from, to] with the current
    // rules. `dryRun`: only the totals before and after. kNothing when no
    // row would change.
    int Apply(int64_t from, int64_t to, bool dryRun, CApplyResult& out);
    // Assigns the rows (any type) to the project and task. `editId` gets the
    // log entry's id. kNothing when every row already had them; kRefused for
    // a row that does not exist.
    int Assign(const std::vector<CRowRef>& rows, int32_t projectId, int32_t taskId, int64_t& editId);
    // The same for every row starting in [from, to].
    int AssignSpan(int64_t from, int64_t to, int32_t projectId, int32_t taskId, int64_t& editId);

    // --- Forgetting ------------------------------------------------------
    // Removes for good what was recorded over [from, to] (its end cut to the
    // present, a start in the future refused), from every stored row that
    // meets it (starts in it, or runs into it) and from the activities the
    // collector still holds. Details (`whole` false): titles, descriptions,
    // addresses and sites go; time, type, program, project and task stay.
    // Whole: the rows become "nothing recorded", rewritten in place as
    // Offline rows with no program, title, address, site, project or task,
    // so the series keeps no gap and every id stays.
    //
    // First the running collector is asked (a request file and the forget
    // control message, core/forget_span.h) to clean its activity in progress,
    // the activities waiting to be stored and its checkpoint, and waited
    // for; when none runs (or none answers) the checkpoint file is cleaned
    // here. Then each month file in one transaction of its own (secure_delete
    // on, sql_file.h, so the text is overwritten in the file rather than left
    // in freed space); the span is recorded in changes.db. For a
    // whole forget the edit log keeps no project or task of those rows: their
    // entries are taken out, and an edit left with none is marked
    // "forgotten" (undo refuses it; other rows of it still undo). A site
    // whose address no stored row and no rule uses any more keeps its id (the
    // desktop application may name it) and loses its address.
    // kDone; kNothing no row met the range and the collector held nothing of
    // it; kFailed also when a running collector cannot be asked (nothing is
    // forgotten then: what it holds would come back).
    int Forget(int64_t from, int64_t to, bool whole, CForgetResult& out);
    // Replaces SendForgetMessage (collector_control.h) for tests.
    void SetForgetMessage(std::function<int(std::string&)> send) { m_forgetMessage = std::move(send); }
    // How long a forget waits for the collector to answer its request.
    void SetCollectorWaitMs(int ms) { m_collectorWaitMs = ms; }

    // --- Edit log -------------------------------------------------------
    // Newest first, at most `limit` (0: all).
    int ListEdits(int limit, std::vector<CEditInfo>& out);
    // Undoes edit `id` (0: the newest edit still done). kRefused when it is
    // already undone, pending, or a row it touched was changed since.
    int Undo(int64_t id, CEditInfo& undone);

    class CImpl;

private:
    std::unique_ptr<CImpl> m_impl;
    int m_busyLimitMs = kDefaultBusyLimitMs;
    std::function<std::string()> m_reload;
    std::function<int(std::string&)> m_forgetMessage;
    int m_collectorWaitMs = 15000;
    std::string m_reloadMessage;
    std::string m_error;
};
