#pragma once
// The activity record: one interval of what the user was doing.
//
// An activity holds the program that had the foreground window (a
// CWinProcess: id, file name, path, window title), the account (CUser), the
// state of the user (ActivityType), start and finish time stamps, the
// duration in seconds and as a packed duration, whether a browser gave a web
// address, and that address. CWinActivity adds the ids of the project, task,
// application, site and user that categorisation and storage give it.
//
// Activities are values: every text lives in a fixed-size field, copies are
// deep and need no allocation. Not thread-safe; the owner serialises access.

#include <cstdint>

#include "sensing/process.h"
#include "sensing/time_stamp.h"
#include "sensing/user.h"

// The state of the user during an activity; stored unchanged as a number.
enum class ActivityType : int32_t {
    None = 0,     // not yet determined (every new activity)
    Active = 1,   // input within the idle threshold
    Idle = 2,     // no keyboard or mouse input for longer than the threshold
    Locked = 3,   // the workstation was locked
    Offline = 4,  // nothing was captured (collector not running, computer off or asleep)
};

// Whole seconds without input above which a capture is Idle.
inline constexpr int kIdleThresholdSeconds = 60;

// Milliseconds since the user's last keyboard or mouse input: the
// difference of the clock service's tick counts modulo 2^32, so that it runs
// on across the wrap of the counter. 0 when the last input cannot be read or
// lies after the current tick.
uint32_t GetIdleTime();

class CActivity {
public:
    static constexpr int kUrlSize = 513;  // up to 512 characters

    // Empty texts, zero dates and durations, URL flag 0; the type when it is
    // valid, otherwise None.
    explicit CActivity(ActivityType type = ActivityType::None);
    explicit CActivity(int32_t type);
    CActivity(const CActivity& other) = default;
    CActivity& operator=(const CActivity& other) = default;
    virtual ~CActivity() = default;

    // Copies every field; copying an activity onto itself does nothing.
    void Assign(const CActivity& other);

    // Stores `type` when 0 <= type < 5; any other value is ignored.
    void SetType(int32_t type);
    void SetType(ActivityType type) { SetType(static_cast<int32_t>(type)); }
    ActivityType GetType() const { return m_type; }
    // "N", "A", "I", "L", "F" for None .. Offline, "U" for anything else.
    const char* GetTypeLabel() const;

    const char* GetFileName() const { return m_process.GetFileName(); }
    uint32_t GetProcessId() const { return m_process.GetProcessId(); }
    const char* GetFullPath() const { return m_process.GetPath(); }
    const char* GetTitle() const { return m_process.GetTitle(); }
    // The first `length` characters of `text` (at most 261); a length below 1
    // means the whole text.
    void SetTitle(const char* text, int length) { m_process.SetTitle(text, length); }

    void GetProcess(CWinProcess& process) const { process = m_process; }
    void SetProcess(const CWinProcess& process) { m_process = process; }
    // Replaces the process record with the system pseudo-process: id 0, file
    // name "[SYSTEM]", path "[SYSTEM PROCESS]", empty title.
    void SetSystemProcess();
    // Private time whose program may be known: the title becomes "private"
    // and the address is dropped (URL flag 0); program, type, user and
    // dates stay.
    void HidePrivateDetails();
    // Private time whose program is not to be known either: the details go
    // as above and the process becomes the private pseudo-process: id 0,
    // file name "private", path "[PRIVATE]".
    void HidePrivateProgram();
    // True for the private pseudo-process of HidePrivateProgram.
    bool IsPrivateProgram() const;

    void GetUser(CUser& user) const { user = m_user; }
    void SetUser(const CUser& user) { m_user = user; }

    // The dates. A date set from a bare stamp has no known UTC offset; the
    // moments keep the offset (in memory only: rows store the stamps).
    int64_t GetStartDate() const { return m_startDate; }
    void SetStartDate(int64_t stamp) { SetStartMoment({stamp, kUnknownUtcOffset}); }
    int64_t GetFinishDate() const { return m_finishDate; }
    void SetFinishDate(int64_t stamp) { SetFinishMoment({stamp, kUnknownUtcOffset}); }
    void SetDates(int64_t start, int64_t finish) {
        SetStartDate(start);
        SetFinishDate(finish);
    }
    CMoment GetStartMoment() const { return {m_startDate, m_startUtcOffset}; }
    void SetStartMoment(const CMoment& moment) {
        m_startDate = moment.stamp;
        m_startUtcOffset = moment.utcOffset;
    }
    CMoment GetFinishMoment() const { return {m_finishDate, m_finishUtcOffset}; }
    void SetFinishMoment(const CMoment& moment) {
        m_finishDate = moment.stamp;
        m_finishUtcOffset = moment.utcOffset;
    }
    // A new, zero-length activity: start and finish both `stamp` / `moment`,
    // no duration (whatever an activity it was copied from had lasted).
    void SetStartAndFinish(int64_t stamp) { SetStartAndFinish(CMoment{stamp, kUnknownUtcOffset}); }
    void SetStartAndFinish(const CMoment& moment) {
        SetStartMoment(moment);
        SetFinishMoment(moment);
        m_duration = m_formatedDuration = 0;
    }

    int64_t GetDuration() const { return m_duration; }
    void SetDuration(int64_t seconds) { m_duration = seconds; }
    int64_t GetFormatedDuration() const { return m_formatedDuration; }
    void SetFormatedDuration(int64_t packed) { m_formatedDuration = packed; }
    // Recomputes both durations from the elapsed time between the start and
    // finish moments; when the start is later than the finish both keep
    // their values.
    void UpdateDuration();

    // 1 when the last capture obtained an address from a browser, else 0.
    int32_t GetURLFlag() const { return m_urlFlag; }
    void SetURLFlag(int32_t flag) { m_urlFlag = flag; }
    const char* GetURL() const { return m_url; }
    // Replaces the address with `text`, measured up to maxLength characters
    // and kept up to 512. Results: 1 stored whole; -10 stored cut to 512
    // characters; -1 no text or maxLength below 1 (the address is unchanged).
    int SetURL(const char* text, int maxLength);
    // No address any more; the whole buffer is cleared, not only its start.
    void ClearURL();

    // The same-activity test: equal types, and equal executable file names,
    // paths and window titles (each compared in full). Address, user, dates
    // and ids take no part. 1 or 0.
    int IsSameActivity(const CActivity& other) const;

protected:
    CWinProcess m_process;
    CUser m_user;
    ActivityType m_type = ActivityType::None;
    int64_t m_startDate = 0;
    int64_t m_finishDate = 0;
    int32_t m_startUtcOffset = kUnknownUtcOffset;
    int32_t m_finishUtcOffset = kUnknownUtcOffset;
    int64_t m_duration = 0;
    int64_t m_formatedDuration = 0;
    int32_t m_urlFlag = 0;
    char m_url[kUrlSize] = {};
};

class CWinActivity : public CActivity {
public:
    // Also the five ids 0.
    explicit CWinActivity(ActivityType type = ActivityType::None) : CActivity(type) {}
    explicit CWinActivity(int32_t type) : CActivity(type) {}
    CWinActivity(const CWinActivity& other) = default;
    CWinActivity& operator=(const CWinActivity& other) = default;

    // Copies every field, the five ids included; self-assignment does nothing.
    using CActivity::Assign;
    void Assign(const CWinActivity& other);

    // Fills this activity from the window in front (the desktop window when
    // none comes to the front within four more tries 500 ms apart): its
    // title, the input state, the owning process named by
    // CWinProcess::Resolve, the messenger's conversation title, a browser's
    // address and, when the activity has no user yet, the account running the
    // process. Every executable file name comes out in lower case.
    // Results: 1 complete; 0 the title was unreadable, or the messenger's main
    // window showed no conversation; -1 the messenger's main window has no
    // title; -50 the process could not be named (only the type changed); -51
    // no account found, or an exception (everything but the user filled);
    // -52 no window at all (nothing changed).
    virtual int Capture();
    // True after a Capture that answered 1 from the desktop service and the
    // browser extension's reports alone: not from the messenger's
    // conversation panes nor from a browser asked over DDE, which change
    // without anyone telling. Such a capture holds while neither the
    // desktop's ChangeCount nor BrowserReports().Changes() moved.
    bool IsRepeatable() const { return m_repeatable; }
    // True after a Capture whose program is a browser (CBrowsersManager::
    // FoundBrowser), whether or not it gave an address.
    bool ShowsBrowser() const { return m_browser; }
    // The account running the process into `user`: 1 found; 0 process id 0 or
    // no account (the user is unchanged).
    virtual int GetProcessUser(uint32_t processId, CUser& user);
    // Idle when more than kIdleThresholdSeconds whole seconds passed since the
    // last input (61000 ms is Idle, 60999 ms still Active); else Active.
    virtual ActivityType GetInputState();

    int32_t GetProjectId() const { return m_idProject; }
    int32_t GetTaskId() const { return m_idTask; }
    void SetTask(int32_t taskId, int32_t projectId) {
        m_idTask = taskId;
        m_idProject = projectId;
    }
    int32_t GetAppId() const { return m_idApp; }
    void SetAppId(int32_t id) { m_idApp = id; }
    int32_t GetSiteId() const { return m_idSite; }
    void SetSiteId(int32_t id) { m_idSite = id; }
    int32_t GetUserId() const { return m_idUser; }
    void SetUserId(int32_t id) { m_idUser = id; }

private:
    int32_t m_idProject = 0;
    int32_t m_idTask = 0;
    int32_t m_idApp = 0;
    int32_t m_idSite = 0;
    int32_t m_idUser = 0;
    bool m_repeatable = false;
    bool m_browser = false;
};
