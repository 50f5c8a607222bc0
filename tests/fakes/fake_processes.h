#pragma once
// A process service that tests script: what each of the three naming methods
// reports for a process id (result code, and the file name and path it
// writes), the account that runs a process, and the collector's own id.
// Counts the calls of each method. Installs itself as the process-wide process
// service for its lifetime and restores the previous one when destroyed.
// Thread-safe.
//
// Unscripted ids behave like a process that does not exist: the snapshot
// gives -52, the module list -9, the management query 0, the account 0.

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "platform/processes.h"

// What one naming method reports: its result and the texts it writes (an
// empty text leaves the caller's buffer as it was).
struct CFakeImage {
    int result = 0;
    std::string fileName;
    std::string path;
};

class CFakeProcesses : public CProcessService {
public:
    enum class Method { Snapshot, Modules, Wmi };

    CFakeProcesses();
    ~CFakeProcesses() override;
    CFakeProcesses(const CFakeProcesses&) = delete;
    CFakeProcesses& operator=(const CFakeProcesses&) = delete;

    // A process that the snapshot names completely (result 1).
    void AddProcess(uint32_t processId, const std::string& fileName, const std::string& path);
    void SetImage(Method method, uint32_t processId, const CFakeImage& image);
    void SetAccount(uint32_t processId, const std::string& domain, const std::string& name);
    void SetCurrentProcessId(uint32_t processId);

    int Calls(Method method) const;
    int AccountCalls() const;

    int FindImageBySnapshot(char* fileName, unsigned fileNameSize, char* path, unsigned pathSize,
                            uint32_t processId) override;
    int FindImageByModules(char* fileName, unsigned fileNameSize, char* path, unsigned pathSize,
                           uint32_t processId) override;
    int FindImageByWmi(const char* machine, char* fileName, unsigned fileNameSize, char* path, unsigned pathSize,
                       uint32_t processId) override;
    int GetProcessAccount(uint32_t processId, char* domain, unsigned domainSize, char* name,
                          unsigned nameSize) override;
    uint32_t GetCurrentProcessId() override;

private:
    int Report(Method method, int missing, char* fileName, unsigned fileNameSize, char* path, unsigned pathSize,
               uint32_t processId);

    mutable std::mutex m_mutex;
    std::map<std::pair<Method, uint32_t>, CFakeImage> m_images;
    std::map<uint32_t, std::pair<std::string, std::string>> m_accounts;
    std::map<Method, int> m_calls;
    int m_accountCalls = 0;
    uint32_t m_currentProcessId = 0;
    CProcessService* m_previous = nullptr;
};
