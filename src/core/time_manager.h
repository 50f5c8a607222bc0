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
// it and makes the capture the activity in progress. More than 60 seconds
// without a capture become an Offline row; locking and unlocking the session
// give a Locked row; a change of the system clock is turned into an Offline
// row (forward) or moves the finish back (backward). At the start the time
// since the last stored row is recorded as Offline (split at the end of that
// day and the start of today when days lie between).
//
// Lifecycle, as the application shell drives it:
//   CTimeManager tm;                  constructed before the shell runs
//   tm.Init(window);                  window thread; 1, or the failing step's result
//   tm.OnEvent(EVENT_START);          sent whatever Init returned: finds the last
//                                     activity and starts the worker thread
//   ... events, UpdateRules, SetRulesEnabled ...
//   tm.StopAndSaveActivity();         on every orderly stop (close request,
//                                     menu Exit, logoff, SIGTERM): stops the
//                                     worker thread and saves the activity in progress
//   tm.Deinit();                      session notifications off, COM released
//   ~CTimeManager                     stops the worker thread (if still running),
//                                     then closes the databases
//
// Threads. The window thread (the shell's main thread) calls Init, Deinit,
// OnEvent with EVENT_START, EVENT_STOP, EVENT_LOCK, EVENT_UNLOCK and
// EVENT_CHANGE_TIME, UpdateRules, SetRulesEnabled and StopAndSaveActivity.
// The worker thread calls OnEvent with EVENT_CHECK_ACTIVITY. Every handler
// that reads or changes the activity in progress holds m_lock for its whole
// work, database writes included, so the two threads never work on it at the
// same time. SetRulesEnabled and GetRulesEnabled may be called from any
// thread. The remaining public operations are the steps of the above; they
// are public so that tests can drive them one by one (FindLastActivity starts
// the tracking without the worker thread), and are called from one thread at
// a time.
//
// Results are ints: 1 success, 0 failure, negative causes (see each
// operation). Failures are written to the error log as "<qualified
// operation> (<place>) <text>"; progress to the information log.

#include <atomic>
#include <cstdint>
#include <mutex>

#include "app/thread.h"
#include "core/event_interface.h"
#include "core/rule_engine.h"
#include "core/time_manager_configuration.h"
#include "log/debug_controller.h"
#include "platform/compiler.h"
#include "platform/desktop.h"
#include "sensing/activity.h"
#include "storage/base_storage.h"
#include "storage/db_manager.h"
#include "storage/db_rule.h"

class CTimeManager : public CEventInterface, public CDebugController {
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
    // Results: 1; 0 a null window; -320 the configuration could not be
    // loaded (nothing is logged: the logs have no folder yet); otherwise the
    // result of the database start-up, UpdateRules or GetDefaultTask.
    int Init(WindowHandle window);
    // Window thread. Unregisters the session notifications and releases COM
    // of the window thread. 1.
    int Deinit();
    // Dispatches one event (EVENT_NULL .. EVENT_CHANGE_TIME) with the local
    // time read just before. -1 for a number above EVENT_CHANGE_TIME (logged);
    // otherwise 1 (the handlers' results are not passed on).
    int OnEvent(int event) override;
    // Window thread. Reloads the rules from the database and replaces those
    // in memory under m_lock. 1; 0 reading failed (the old rules stay).
    int UpdateRules();
    // Any thread. 1 switches categorisation on, 0 off (then saved activities
    // keep the project and task they have).
    void SetRulesEnabled(int enabled) { m_rulesEnabled.store(enabled); }
    int GetRulesEnabled() const { return m_rulesEnabled.load(); }
    // Window thread, on every orderly stop. Stops the worker thread and then,
    // under m_lock, closes the activity in progress at the time read from the
    // clock and saves it as a change of activity would. When no check came
    // for more than 60 seconds (the computer slept, the check hung), the
    // activity is closed at its last check instead, so that the next start
    // records that time as Offline. Afterwards the handlers of events 5 to 8
    // leave everything as it is until a new EVENT_START. Results: 1 saved (an
    // activity of no length is logged and not stored); 0 nothing in progress
    // (before the start, or a second call); -2 storing failed three times.
    int StopAndSaveActivity();

    // ---- Steps, public for their tests ----

    // The registry settings into the configuration: 1 (then "Configuration
    // was loaded & QLO started" is logged), or CTimeManagerConfiguration::Load's result.
    // When only the settings are wrong, the logs are pointed at their folder
    // and the error log gets the configuration's failure text.
    int LoadConfiguration();
    // Creates the install, data, logs, archive and database folders. 1.
    int CreateFolders();
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
    // Starts the tracking at `now`: loads the last stored activity, records
    // the time since then as Offline and makes the present capture the
    // activity in progress. Takes m_lock.
    int FindLastActivity(int64_t now);

    int32_t GetDefaultProjectId() const { return m_ruleEngine.GetDefaultProjectId(); }
    int32_t GetDefaultTaskId() const { return m_ruleEngine.GetDefaultTaskId(); }
    const CTimeManagerConfiguration& GetConfiguration() const { return m_configuration; }

private:
    // Logs what the rule engine tested (time_manager_rules.cpp).
    class CRuleLog;

    // Event handlers (time manager lifecycle).
    int OnStart(int64_t now);
    int OnStop(int64_t now);
    int OnPause(int64_t now);
    int OnResume(int64_t now);
    int OnNullEvent(int64_t now);

    // Event handlers of the tracking cycle; each takes m_lock.
    int OnCheckActivity(int64_t now);
    int OnLock(int64_t now);
    int OnUnlock(int64_t now);
    int OnChangeTime(int64_t now);

    // The activity in progress; the caller holds m_lock.
    // Copies the current user into `activity` and captures the window in
    // front into it: Capture's result.
    int GetCurrentActivity(CWinActivity& activity);
    // Captures and logs a result other than 1 under `operation`.
    void Sample(CWinActivity& activity, const char* operation, int place);
    // Makes the present capture the activity in progress at `now`; saves nothing.
    void InitActivity(int64_t now);
    // Closes the activity in progress where `activity` begins, saves it and
    // makes `activity` the activity in progress.
    void BeginActivity(const CWinActivity& activity);
    // The activity in progress ends where `activity` begins.
    void ExtendLastActivity(const CWinActivity& activity);
    void ReplaceLastActivity(const CWinActivity& activity);
    // Resolves the ids, categorises and stores the activity in progress.
    // 1 (also when an activity of no length was not stored); -2 storing failed.
    int SaveLastActivity();
    // The latest stored activity of the open activity file into
    // m_lastActivity / `activity`: 1; 0 after seven failed attempts.
    int LoadLastActivity();
    int LoadLastActivityFromDB(CWinActivity& activity);
    // Both of the above; `fromDB` chooses the log lines of the second.
    int LoadStoredActivity(CWinActivity& activity, bool fromDB);

    void LogInfo(int level, const char* format, ...) QLO_PRINTF(3, 4);
    void LogError(const char* format, ...) QLO_PRINTF(2, 3);

    CTimeThread m_timeThread;
    CWinActivity m_lastActivity;
    WindowHandle m_hWnd = 0;
    CTimeManagerConfiguration m_configuration;
    CDBManager m_dbManager;
    // The rules in force and the default task.
    CRuleEngine m_ruleEngine;
    // Written by the window thread, read by the worker thread.
    std::atomic<int> m_rulesEnabled{1};
    // Serialises everything that reads or changes m_lastActivity or the rule
    // engine. Recursive, like the critical section it stands for, so that
    // ApplyRules may be called with or without it held.
    std::recursive_mutex m_lock;
    // Between the start of the tracking and an orderly stop (under m_lock).
    bool m_tracking = false;
};
