#pragma once
// A program that a test starts, with pipes to its standard input and output
// (its standard error stays the test's). Killed and reaped when the object
// goes away, if it still runs. Ignores SIGPIPE in the test process, so that
// writing to a child that has ended fails instead of ending the test.

#include <sys/types.h>

#include <string>
#include <vector>

class CChildProcess {
public:
    // Runs the program at `path` (a bare name is looked up in $PATH) with
    // `argv`, argv[0] included, so that the program can be given any name.
    // Started() tells whether it ran.
    CChildProcess(const std::string& path, const std::vector<std::string>& argv);
    ~CChildProcess();
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    bool Started() const { return m_pid > 0; }
    pid_t Pid() const { return m_pid; }

    bool WriteLine(const std::string& line);
    // Writes the bytes as they are.
    bool Write(const std::string& bytes);
    // The next `count` bytes of output; false at the end of the output or
    // when they did not all come within `timeoutMs`.
    bool Read(std::string& bytes, size_t count, int timeoutMs = 10000);
    // The next line of output without its end (a newline, or `end`); false
    // at the end of the output or when none came within `timeoutMs`.
    bool ReadLine(std::string& line, int timeoutMs = 10000, char end = '\n');
    void CloseInput();
    // Waits for the end of the program: its exit code, or -1 when a signal
    // ended it.
    int Wait();
    // Waits at most `timeoutMs` for the end of the program: true when it has
    // ended (Wait then returns its exit code at once).
    bool WaitForEnd(int timeoutMs);

private:
    // Appends what the output has to m_pending, waiting up to `timeoutMs`
    // for something; false at its end or when nothing came.
    bool ReadMore(int timeoutMs);

    pid_t m_pid = -1;
    bool m_ended = false;  // reaped by WaitForEnd; m_status holds how it ended
    int m_status = 0;
    int m_input = -1;
    int m_output = -1;
    std::string m_pending;
};
