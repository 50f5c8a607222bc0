#pragma once
// The process service: naming a process by its id, and the account that runs it.
//
// The three naming methods are tried in this order by the process record's
// Resolve; each writes the executable's file name (without folder) and its
// full path into the caller's buffers, at most size - 1 characters and a
// terminator each, and may leave a partial answer (a file name without path).
// Windows: a Tool Help snapshot with QueryFullProcessImageNameA, the PSAPI
// module list, and a WMI Win32_Process query. Linux: /proc/PID/exe and
// /proc/PID/comm.
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
