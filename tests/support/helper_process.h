#pragma once
// A helper program of the test suite (tests/system/helpers/) started by a
// test, with its standard input and output connected to the test: the test
// sends it command lines and reads its answers, in the protocol described in
// tests/system/helpers/helper_common.h. Windows only.
//
// While a call waits for the program, the messages of the calling thread are
// dispatched, so windows and DDE instances of the test stay responsive (a
// helper's DDE or window broadcasts would otherwise wait for the test).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CHelperProcess {
public:
    CHelperProcess();
    ~CHelperProcess();
    CHelperProcess(const CHelperProcess&) = delete;
    CHelperProcess& operator=(const CHelperProcess&) = delete;

    // Starts the program at `path` with `arguments` (quoted as needed) and
    // waits up to `timeoutMs` for its "ready" line. False when it could not
    // start or ended or timed out before it was ready.
    bool Start(const std::string& path, const std::vector<std::string>& arguments, uint32_t timeoutMs = 20000);
    uint32_t ProcessId() const;
    // The value of "name=value" in the ready line; "" when absent.
    std::string ReadyValue(const std::string& name) const;

    // Sends one command line and returns the answer line, "" when none came in time.
    std::string Command(const std::string& line, uint32_t timeoutMs = 10000);
    // The next line of output; false when none came in time or the program ended.
    bool ReadLine(std::string& line, uint32_t timeoutMs);

    // Asks the program to quit and waits for it, ending it by force after a
    // few seconds. True when it quit by itself. Called by the destructor.
    bool Stop();
    // Ends the program at once (one that hangs).
    void Kill();

private:
    struct CState;
    std::unique_ptr<CState> m_state;
};

// The full path of a program built into the same folder as the running test program.
std::string ProgramBesideTest(const std::string& fileName);

// A program run to its end by RunProgram.
struct CProgramRun {
    bool ended = false;     // false: it could not start, or was ended by force after the time-out
    uint32_t exitCode = 0;  // its exit code when it ended
    std::string output;     // its standard output and error, as written
};
// Runs the program at `path` with `arguments` (quoted as needed), with
// nothing on its standard input, and waits up to `timeoutMs` for its end,
// dispatching the calling thread's messages meanwhile.
CProgramRun RunProgram(const std::string& path, const std::vector<std::string>& arguments, uint32_t timeoutMs = 30000);
