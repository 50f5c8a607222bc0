#pragma once
// The abstract lock: every operation returns 0 unless a subclass implements it.

class CLock {
public:
    virtual ~CLock() = default;
    // Waits at most `seconds` seconds for the lock.
    virtual int Lock(int seconds) {
        (void)seconds;
        return 0;
    }
    virtual int Unlock() { return 0; }
    virtual int Create() { return 0; }
    virtual int Close() { return 0; }
};
