#pragma once
// The process service: naming a process by its id, and the account that runs it.
//
// The three naming methods are tried in this order by the process record's
// Resolve; each writes the executable's file name (without folder) and its
// full path into the caller's buffers, at most size - 1 characters and a
// terminator each, and may leave a partial answer (a file name without path).
// Windows: a Tool Help snapshot with QueryFullProcessImageNameA, the PSAPI
// module list, and a WMI Win32_Process query.
// Linux, from /proc (cuts fall on UTF-8 character boundaries):
//  - snapshot: the process is listed when /proc/PID exists (else -52; 0 when
//    /proc itself is missing); its file name and full path come from the
//    link /proc/PID/exe (without the " (deleted)" the kernel appends once the
//    file was replaced or removed); when the link cannot be read (another
//    user's process, a kernel thread) the name comes from /proc/PID/comm and
//    the result is -52 after writing it (-8 does not occur);
//  - modules: argv[0] from /proc/PID/cmdline, which anyone may read: its file
//    name, and as path argv[0] itself when it is absolute (else 0 after
//    writing the name); 0 for an empty command line (kernel thread, zombie);
//    -9 when the process is gone;
//  - WMI: there is no such service: -2;
//  - account: the login name of the process's effective user (its number
//    when it has no name) and the host name as the domain.
// Tests replace the service with a fake (tests/fakes/) through SetProcesses.
// Thread safety: callable from any thread; the WMI method needs COM
// initialised on the calling thread.

#include <cstdint>

class CProcessService {
public:
    virtual ~CProcessService() = default;

    // 1 named; 0 no process list; -1 a buffer absent or a size 0; -8 listed
    // but could not be opened; -52 not listed, or its full path unreadable.
    virtual int FindImageBySnapshot(char* fileName, unsigned fileNameSize, char* path, unsigned pathSize,
                                    uint32_t processId) = 0;
    // 1 named; 0 a module query or name read failed; -1 bad buffer; -9 the
    // process could not be opened.
    virtual int FindImageByModules(char* fileName, unsigned fileNameSize, char* path, unsigned pathSize,
                                   uint32_t processId) = 0;
    // `machine` may be null (the local computer). 1 named (the path may be left
    // as it was); 0 not found or a property unreadable; -1 bad buffer; -2 the
    // management service failed.
    virtual int FindImageByWmi(const char* machine, char* fileName, unsigned fileNameSize, char* path,
                               unsigned pathSize, uint32_t processId) = 0;
    // The domain and name of the account that runs the process (at most
    // size - 1 characters each). 1 found; 0 the process or its account could
    // not be read (the buffers are then unchanged).
    virtual int GetProcessAccount(uint32_t processId, char* domain, unsigned domainSize, char* name,
                                  unsigned nameSize) = 0;
    // The id of the calling process.
    virtual uint32_t GetCurrentProcessId() = 0;
};

CProcessService& Processes();
CProcessService* SetProcesses(CProcessService* processes);
