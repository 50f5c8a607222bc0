#pragma once
// CTimeManager, the centre of the collector: it receives every event, keeps
// the activity in progress, saves finished activities into the monthly
// activity files, categorises them by the rules held in memory, seeds an
// empty catalogue on a first start, holds the configuration and owns the
// worker thread whose tick drives the tracking. It is the collector's only
// logger (through its CDebugController base).
//
// The tracking cycle. Every second the worker thread sends
// EVENT_CHECK_ACTIVITY; the time manager captures the window in front and
// either extends the activity in progress to the capture's time (the same
// program, title and state on the same day) or closes it at that time, saves
// it and makes the capture the activity in progress. While nothing changes
// and the desktop announces every change (the Linux desktops), the worker
// waits up to five seconds between checks, and the desktop's news wakes it
// at once; the capture of such a check repeats the last one
// (capture_memo.h). More than 60 seconds without a capture become an
// Offline row; locking and unlocking the session give a Locked row; a change
// of the system clock is turned into an Offline row (forward) or ends the
// activity in progress at its last check and begins a new one at the new time
// (backward, whether the change or a check sees it first). At the start the
// time since the last stored row is recorded as Offline; a gap found at the
// start or by a check is split at the end of that day and the start of today
// when days lie between.
//
// Pause. Pause stops the capture for a while, or until the end of the day,
// Resume ends it early. While paused nothing is captured (no program, title,
// address, idle or lock state): the time is stored as Offline rows of the
// system process, as if the collector had not run, so the rows stay without
// gaps. The pause is kept in a file beside the databases (pause_file.h), so
// that a restart within it goes on pausing. When it ends, by Resume or at
// the first check after its end, capturing starts again in that same call.
// The information log says when and for how long, never what was in front.
//
// Lifecycle, as the application shell drives it:
//   CTimeManager tm;                  constructed before the shell runs
//   tm.Init(window);                  window thread; 1, or the failing step's result
//   tm.OnEvent(EVENT_START);          sent whatever Init returned: finds the last
//                                     activity and starts the worker thread
//   ... events, UpdateRules, SetRulesEnabled ...
//   tm.StopAndSaveActivity();         on every orderly stop (close request,
//                                     menu Exit, logoff, SIGTERM): stops the
//                                     worker thread and saves the activity in
//                                     progress, within about 6 seconds
//   tm.WorkerLeftRunning()            after it: the process must end without
//                                     destroying the time manager
//   tm.Deinit();                      session notifications off, COM released
//   ~CTimeManager                     stops the worker thread (if still running),
//                                     then closes the databases
//
// Durability. Beside the databases a checkpoint (activity_checkpoint.h)
// holds the activity in progress, rewritten at every change and at least
// every 30 seconds while one goes on, and the finished activities that could
// not be stored yet. A crash, a kill or a power cut thus costs at most the
// time since the last write; the next start stores what the checkpoint holds
// (never a row twice) before it measures the gap since then. A save that
// fails (a locked or full database) keeps the activity waiting, in memory and
// in the checkpoint, and it is stored in order at the next save or check that
// succeeds, a backlog in a few transactions. A row that fails on its own
// (the rows behind it can be stored) is set aside with an error line.
//
// Threads. The window thread (the shell's main thread) calls Init, Deinit,
// OnEvent with EVENT_START, EVENT_STOP, EVENT_LOCK, EVENT_UNLOCK and
// EVENT_CHANGE_TIME, UpdateRules, SetRulesEnabled, Pause, Resume and
// StopAndSaveActivity.
// The worker thread calls OnEvent with EVENT_CHECK_ACTIVITY. Every handler
// that reads or changes the activity in progress holds m_lock while it does,
// database writes included, so the two threads never work on it at the same
// time. The check's capture runs before it takes m_lock: it can wait (no
// window in front, a browser slow to answer DDE), and reading the title of
// the collector's own window sends that window's thread a message, which
// must never find the window thread waiting for m_lock. A check whose
// capture was overtaken by an event of the window thread is dropped (its
// sample is older than the activity that event began). SetRulesEnabled and
// GetRulesEnabled may be called from any thread. The remaining public operations are the steps of the above; they
// are public so that tests can drive them one by one (FindLastActivity starts
// the tracking without the worker thread), and are called from one thread at
// a time.
//
// Results are ints: 1 success, 0 failure, negative causes (see each
// operation). Failures are written to the error log as "<qualified
// operation> (<place>) <text>"; progress to the information log.

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>

#include "app/thread.h"
#include "core/activity_checkpoint.h"
#include "core/details_expiry.h"
#include "core/event_interface.h"
#include "core/pause_file.h"
#include "core/privacy_rules.h"
#include "core/repeated_failure.h"
#include "core/rule_engine.h"
#include "core/time_manager_configuration.h"
#include "log/debug_controller.h"
#include "platform/compiler.h"
#include "platform/desktop.h"
#include "sensing/activity.h"
#include "sensing/capture_memo.h"
#include "storage/base_storage.h"
#include "storage/db_manager.h"
#include "storage/db_rule.h"

class CTimeManager : public CEventInterface, public CDebugController, public CCheckPacer {
public:
    // `tickPeriodMs`: the worker thread's pause between two checks (1000 in
    // the collector; tests of the thread shorten it). Categorisation is on,
    // no default task is known, no window is set.
    explicit CTimeManager(uint32_t tickPeriodMs = 1000);
    // Stops the worker thread first (about 3 seconds at most), then releases
    // the rules and closes the databases. Does not save the activity in
    // progress: StopAndSaveActivity does that.
    ~CTimeManager() override;
    CTimeManager(const CTimeManager&) = delete;
    CTimeManager& operator=(const CTimeManager&) = delete;

    // ---- The shell's interface ----

    // Window thread. Loads the configuration, sets the log level, creates
    // the working folders, points the logs at the logs folder, opens the
    // databases, seeds the catalogue when the "First Start" setting asks for
    // it, loads the rules and the default task, learns the account that runs
    // the collector and registers `window` for lock and unlock notifications
    // (Windows; on Linux any non-zero value stands for the event loop).
    // A failure to read the rules or the default task is logged and the
    // start-up goes on (every activity then gets the default task, or none).
    // Results: 1; 0 a null window; -320 the configuration could not be
    // loaded (nothing is logged: the logs have no folder yet); otherwise the
    // result of the database start-up, or of UpdateRules or GetDefaultTask
    // (after the rest of the start-up was done).
    int Init(WindowHandle window);
    // Window thread. Unregisters the session notifications and releases COM
    // of the window thread. 1.
    int Deinit();
    // Dispatches one event (EVENT_NULL .. EVENT_CHANGE_TIME) with the local
    // time read just before. -1 for a number above EVENT_CHANGE_TIME (logged);
    // otherwise 1 (the handlers' results are not passed on).
    int OnEvent(int event) override;
    // Window thread. Reloads the private lists (LoadPrivacy), then the rules
    // from the database and replaces those in memory under m_lock. 1; 0
    // reading the rules failed (the old rules stay).
    int UpdateRules();
    // Any thread. 1 switches categorisation on, 0 off (then saved activities
    // keep the project and task they have).
    void SetRulesEnabled(int enabled) { m_rulesEnabled.store(enabled); }
    int GetRulesEnabled() const { return m_rulesEnabled.load(); }
    // Window thread, on every orderly stop; ends within about 6 seconds
    // whatever the worker thread does. Stops the worker thread (waiting at
    // most 3 seconds for its check in progress; one that does not end is let
    // go, never terminated) and then, under m_lock, closes the activity in
    // progress at the time read from the clock and saves it as a change of
    // activity would, each database operation tried once. When no check came
    // for more than 60 seconds (the computer slept, the check hung), the
    // activity is closed at its last check instead, so that the next start
    // records that time as Offline. What could not be stored stays in the
    // checkpoint for the next start. Afterwards the handlers of events 5 to 8
    // leave everything as it is until a new EVENT_START. Results: 1 saved (an
    // activity of no length is logged and not stored); 0 nothing in progress
    // (before the start, or a second call); -2 storing failed (kept in the
    // checkpoint); -3 the worker thread held m_lock for 2 seconds more: the
    // activity is left to the checkpoint (which that check, when it ends,
    // writes with the activity in progress; a later call may still save it).
    int StopAndSaveActivity();
    // Window thread. Pauses the capture for `seconds` (1 to 86400), or with
    // 0 until the start of the next day, from the clock's present; a pause in
    // force gets the new end. Its Offline row begins now. 1; -1 `seconds` out
    // of range (nothing changes). A pause that cannot be written to its file
    // is logged and still holds until the collector stops.
    int Pause(int64_t seconds);
    // Window thread. Ends the pause in force and captures at once. 1; 0 there
    // was none.
    int Resume();
    // After StopAndSaveActivity: true when the worker thread was let go still
    // running. It may still call into this object, so the process must then
    // end without destroying it.
    bool WorkerLeftRunning() const { return m_workerLeftRunning; }

    // Window thread, at the forget control message: carries out the request
    // file of the database folder (core/forget_span.h) on the activity in
    // progress and the waiting ones under m_lock, writes the checkpoint over
    // both its copies and removes the request, which tells the sender it is
    // done. 1 done; 0 no request; -1 a request that could not be read
    // (removed) or a checkpoint copy not written (logged).
    int ForgetRequested();

    // ---- Steps, public for their tests ----

    // The registry settings into the configuration: 1 (then "Configuration
    // was loaded & QLO started" is logged), or CTimeManagerConfiguration::Load's result.
    // When only the settings are wrong, the logs are pointed at their folder
    // and the error log gets the configuration's failure text.
    int LoadConfiguration();
    // Reads the private programs, sites and titles (privacy_settings.h) and
    // puts them in force for the next capture; logs how many of each. 1; or
    // LoadPrivacySettings' result (the lists in force stay).
    int LoadPrivacy();
    // Creates the install, data, logs, archive and database folders. 1.
    int CreateFolders();
    // Takes other users' rights away from the data folder and everything in
    // it; says so in the information log when it changed any, in the error
    // log when it cannot.
    void KeepDataFolderPrivate();
    // Finds the live default task (the last in table order) and remembers
    // it and its project; both 0 when there is none. 1; 0 reading failed.
    int GetDefaultTask();
    // Fills an empty catalogue with the default projects, tasks and rules.
    // 1 filled, or the catalogue already held a project; 0 a step failed
    // (logged; what was written stays).
    int ProcessFirstStart();
    // Writes the project and task of the best rule that accepts `activity`:
    // the highest priority, then the most matched conditions, then the rule
    // tried first. 1 a rule was applied; -52 none accepted it and the default
    // task was written; -301 categorisation is off (nothing changed).
    int ApplyRules(CWinActivity& activity);
    // Tests one rule. 1 accepted; 0 not; -52 the rule's activity-type
    // selector is not 0, 1, 2, 4 or 8. `matches` receives the number of
    // conditions that held.
    int MatchRule(const CDBRule& rule, const CWinActivity& activity, int& matches);
    // Starts the tracking at `now`: stores what the checkpoint kept, loads
    // the last stored activity, records the time since then (or since the
    // checkpoint's last moment, when that is later) as Offline and makes the
    // present capture the activity in progress. Takes m_lock.
    int FindLastActivity(const CMoment& now);
    // Worker thread, after a check: the wait before the next one. The
    // period, or five seconds while the last check found nothing to do but
    // extend the activity in progress (nothing waits to be stored or
    // written, the day does not end within them, the capture was repeatable
    // and nothing changed since), with the desktop's ChangeNotice as
    // `wakeHandle` to end the wait at the next change.
    uint32_t NextCheckWait(uint32_t periodMs, std::intptr_t& wakeHandle) override;
    // The checkpoint file (in the database folder once Init has run).
    const std::string& CheckpointPath() const { return m_checkpoint.Path(); }

    int32_t GetDefaultProjectId() const { return m_ruleEngine.GetDefaultProjectId(); }
    int32_t GetDefaultTaskId() const { return m_ruleEngine.GetDefaultTaskId(); }
    const CTimeManagerConfiguration& GetConfiguration() const { return m_configuration; }

private:
    // Logs what the rule engine tested (time_manager_rules.cpp).
    class CRuleLog;

    // An activity that waits to be stored; `recovered` ones came from the
    // checkpoint and may have been stored before a crash.
    struct CPendingActivity {
        CWinActivity activity;
        bool recovered = false;
    };

    // Calls the handler of a window-thread event.
    void Dispatch(int event, const CMoment& now);

    // Event handlers (time manager lifecycle).
    int OnStart(const CMoment& now);
    int OnStop();
    int OnPause();
    int OnResume();
    int OnNullEvent();

    // The pause (time_manager_pause.cpp); the callers hold m_lock, except
    // for IsPaused and TakenByPause (which takes it).
    bool IsPaused() const { return m_paused.load(); }
    // Window thread: true when `event` is a lock, an unlock or a clock change
    // that comes while paused. The lock state is noted for the pause's end;
    // nothing else happens (the checks deal with a clock change).
    bool TakenByPause(int event);
    // At the start of the tracking at `now`: the pause kept in the file
    // goes on, or, when its end has passed, is ended.
    void RestorePause(const CMoment& now);
    // A check at `now` while paused: true when it was dealt with (the pause
    // goes on, its Offline activity is extended); false when the pause ended
    // here and the check captures as usual.
    bool FollowPause(const CMoment& now, uint32_t changes);
    // The paused time up to `now` (a gap in the checks included) into the
    // pause's Offline activity: true when it began a new one (and so tried
    // to save).
    bool ExtendPause(const CMoment& now);
    // Ends the pause at `now`, `how` says why in the log; a session locked
    // meanwhile begins a Locked activity.
    void EndPause(const CMoment& now, const char* how);
    // What a check records while paused: an Offline activity of the system
    // process with the current account.
    void FillPauseSample(CWinActivity& sample) const;
    void WritePause();

    // Event handlers of the tracking cycle; each takes m_lock. The check
    // captures first and drops its sample when an event of the window
    // thread was handled since `changes` was read (before `now`).
    int OnCheckActivity(const CMoment& now, uint32_t changes);
    int OnLock(const CMoment& now);
    int OnUnlock(const CMoment& now);
    int OnChangeTime(const CMoment& now);
    // The check's decision on a sample taken at `now`, under m_lock: true
    // when it began a new activity (and so tried to save).
    bool FollowSample(CWinActivity& sample, const CMoment& now);

    // A capture that named no program at all.
    static bool HasNoProcess(const CActivity& activity);
    // The activity in progress; the caller holds m_lock.
    // Copies the current user into `activity` and captures the window in
    // front into it, private parts hidden: Capture's result. While paused it
    // captures nothing and fills in the pause's Offline activity (1).
    int GetCurrentActivity(CWinActivity& activity);
    // Hides in a fresh capture what the private lists keep out (any thread).
    void KeepPrivate(CWinActivity& sample);
    // Captures and logs a result other than 1 under `operation`.
    void Sample(CWinActivity& activity, const char* operation, int place);
    // Makes the present capture the activity in progress at `now`; saves nothing.
    void InitActivity(const CMoment& now);
    // Closes the activity in progress where `activity` begins, saves it and
    // makes `activity` the activity in progress. When `activity` begins
    // before that finish (the clock went back), the activity in progress is
    // saved as it stands, so that no row ends before it starts.
    void BeginActivity(const CWinActivity& activity);
    // Records the time from the finish of the activity in progress to
    // `sample` as Offline and makes `sample` the activity in progress. When
    // the two lie on different days the gap becomes two rows, the rest of
    // the first day and today up to `sample` (the days between get none), so
    // that no row runs across midnight or into another month's file.
    // `lastStored`: the activity in progress is a stored row (at the start),
    // replaced without saving; otherwise it is saved first.
    void BeginAfterOfflineGap(const CWinActivity& sample, bool lastStored);
    // The activity in progress ends where `activity` begins.
    void ExtendLastActivity(const CWinActivity& activity);
    void ReplaceLastActivity(const CWinActivity& activity);
    // Resolves the ids, categorises and stores the activity in progress,
    // after the activities still waiting. 1 (also when an activity of no
    // length was not stored); -2 storing failed (it waits for the next try).
    int SaveLastActivity();
    // Stores the waiting activities, oldest first, in transactions of one
    // month and at most 500 rows. A row that fails while one of the two
    // behind it can be stored fails on its own: it is tried once more and
    // then set aside with an error line, so that it never holds up the rows
    // behind it. 1 all stored (or set aside); -2 the database failed (the
    // rest goes on waiting, in order).
    int StorePending();
    // The first transaction of StorePending: 1 every row of it was stored
    // or set aside; -2 not (what it stored stays stored).
    int StoreBatch();
    // One try of the waiting activity at `index`, without retries and
    // quietly: StoreActivity's result.
    int TryPendingOnce(size_t index);
    // Stores one activity: ids, rules, the insert (up to seven tries). A
    // `recovered` one (from the checkpoint) is first looked for among the
    // stored rows; a look-up that fails makes it wait. Failures are logged
    // unless retries are cut for a check's retry or a try of StoreBatch.
    // The caller has switched to the activity file of its month. 1 stored;
    // 2 found stored already; -2 failed.
    int StoreActivity(CPendingActivity& pending);
    // Makes the open activity file the one of `start`'s month, three tries.
    void SwitchActivityFile(int64_t start);
    // Queues a finished activity for storing. A `recovered` one (from the
    // checkpoint) is always queued. A new one finds room when fewer than
    // 2 000 new ones wait, else the oldest new one is dropped; when 4 000
    // wait in all, the oldest of all is (each with an error line).
    void QueueForSaving(const CWinActivity& activity, bool recovered);
    // At a check: another quiet try of the waiting activities.
    void RetryPending();
    // Reads the checkpoint at the start and queues what it holds; `last` gets
    // the moment up to which it accounted for time (stamp 0: none).
    void RecoverCheckpoint(CMoment& last);
    // Worker thread, after a check, without m_lock: details that expire
    // (details_expiry.h). On the first check of a day whose run has not been
    // made (the state file says), reads the "Keep Details Days" setting and,
    // when it is set, begins a run over the rows started before that many
    // days before today; each check then does a few of its transactions
    // (and waits no quiet wait) until it has gone to its end, which the
    // state file remembers. A failed transaction is tried at the next check.
    void ExpireDetails(const CMoment& now);
    // Writes the checkpoint when something changed or the activity in
    // progress grew by 30 seconds since the last write.
    void KeepCheckpoint();
    void WriteCheckpoint();
    // The latest stored activity of the open activity file into
    // m_lastActivity / `activity`: 1; 0 after seven failed attempts.
    int LoadLastActivity();
    int LoadLastActivityFromDB(CWinActivity& activity);
    // Both of the above; `fromDB` chooses the log lines of the second.
    int LoadStoredActivity(CWinActivity& activity, bool fromDB);

    void LogInfo(int level, const char* format, ...) QLO_PRINTF(3, 4);
    void LogError(const char* format, ...) QLO_PRINTF(2, 3);
    // Passes an error line that may come back at every check through
    // `repeats` (nullptr: none this time).
    void LogRepeating(CRepeatedFailure& repeats, const char* line);

    CTimeThread m_timeThread;
    CWinActivity m_lastActivity;
    WindowHandle m_hWnd = 0;
    CTimeManagerConfiguration m_configuration;
    CDBManager m_dbManager;
    // The rules in force and the default task.
    CRuleEngine m_ruleEngine;
    // The private lists, applied by the worker thread's captures outside
    // m_lock and replaced by the window thread: m_privacyLock guards them.
    CPrivacyRules m_privacy;
    std::mutex m_privacyLock;
    // Written by the window thread, read by the worker thread.
    std::atomic<int> m_rulesEnabled{1};
    // Serialises everything that reads or changes m_lastActivity, the
    // waiting activities and the checkpoint, and the replacement of the rule engine's rules.
    // Recursive, like the critical section it stands for, so that ApplyRules
    // may be called with or without it held.
    std::recursive_mutex m_lock;
    // Between the start of the tracking and an orderly stop (changed under
    // m_lock, except by a stop that gives up waiting for it; read without it
    // to skip a capture that would be dropped).
    std::atomic<bool> m_tracking{false};
    // m_lastActivity is an activity in progress that no orderly stop has
    // saved: the checkpoint holds it. Changed under m_lock only, so that a
    // check still running after a stop gave up on m_lock keeps writing it.
    bool m_activityInProgress = false;
    // Counts the events of the window thread that changed the tracking.
    std::atomic<uint32_t> m_changes{0};
    // Non-zero: database operations of a save are tried once.
    static constexpr int kRetriesCutForStop = 1;   // an orderly stop
    static constexpr int kRetriesCutForRetry = 2;  // a check's quiet retry of waiting activities
    static constexpr int kRetriesCutForProbe = 4;  // StoreBatch's quiet try of one row
    std::atomic<int> m_retriesCut{0};
    bool m_workerLeftRunning = false;

    // Window-thread events that arrived while another one was handled on
    // that thread (only the window thread touches them).
    struct CDeferredEvent {
        int event;
        CMoment now;
    };
    std::deque<CDeferredEvent> m_deferredEvents;

    std::deque<CPendingActivity> m_pending;
    // The check's captures (worker thread only): a check while nothing
    // changed repeats the last one.
    CCaptureMemo m_checkCaptures;
    // Set by the last check (worker thread only): nothing waits to be
    // stored or written and the day does not end before a quiet wait would.
    bool m_quietWaitAllowed = false;
    CActivityCheckpoint m_checkpoint;
    // Details that expire (worker thread only): the run, the day it is for
    // and the last day a run was looked for.
    CDetailsExpiry m_expiry;
    int64_t m_expiryDay = 0;
    int64_t m_expiryLookedDay = 0;
    CRepeatedFailure m_expiryFailures;
    bool m_checkpointDirty = false;
    CMoment m_checkpointFinish;

    // The pause in force (until 0: none), its file, and the session's lock
    // state as the events told it while paused. Changed under m_lock.
    CPauseState m_pause;
    CPauseFile m_pauseFile;
    // Whether m_pause holds a pause; read without m_lock.
    std::atomic<bool> m_paused{false};
    bool m_lockedWhilePaused = false;

    // Error lines that come back at every check.
    CRepeatedFailure m_captureFailures;
    CRepeatedFailure m_unnamedCaptures;
    CRepeatedFailure m_checkpointFailures;
    CRepeatedFailure m_pendingFailures;
};
