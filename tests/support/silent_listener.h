#pragma once
// A stand-in for a collector that has stopped reading: it holds a local
// channel's name and takes connections there (Linux: a listening socket
// that never accepts; Windows: a named pipe that never reads), so a
// client's writes fill the system's buffer and then wait.

#include <memory>
#include <string>

class CSilentListener {
public:
    explicit CSilentListener(const std::string& name);
    ~CSilentListener();
    CSilentListener(const CSilentListener&) = delete;
    CSilentListener& operator=(const CSilentListener&) = delete;

    // True when the name is held.
    bool Holding() const;
    // Gives the name and its connections up: a client's write still waiting
    // fails then.
    void Close();

private:
    struct CState;
    std::unique_ptr<CState> m_state;
};
