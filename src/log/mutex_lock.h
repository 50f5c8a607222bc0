#pragma once
// A mutex owned by one object, created on construction, not initially owned.
// Windows: an unnamed (or named) Win32 mutex with an inheritable handle.
// Linux: a recursive timed mutex with the same results.
//
// Like a Win32 mutex it is recursive: the owning thread may lock it again and
// must unlock it as often. Only the owning thread can unlock it.
//
// Results:
//   Lock(seconds): 1 acquired (also when a Win32 mutex was abandoned by a
//                  thread that ended holding it); -11 time-out; -8 no mutex;
//                  0 other failure.
//   Unlock():      1 released; 0 not held by the calling thread; -8 no mutex.
//   Create():      1 created; 0 failure; -7 already created.
//   Close():       1 closed (also when there was none); 0 failure.

#include <memory>

#include "log/lock.h"

class CMutexLock : public CLock {
public:
    // `name`: at most 259 characters are used; the logs pass none.
    explicit CMutexLock(const char* name = nullptr);
    ~CMutexLock() override;
    CMutexLock(const CMutexLock&) = delete;
    CMutexLock& operator=(const CMutexLock&) = delete;

    int Lock(int seconds) override;
    int Unlock() override;
    int Create() override;
    int Close() override;

private:
    struct CState;  // the operating system's mutex
    std::unique_ptr<CState> m_state;
    char m_name[260] = {};
};
