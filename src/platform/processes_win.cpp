// Placeholder until the real process service lands: no process can be named.
#include "platform/processes.h"

namespace {
class CNoProcesses : public CProcessService {
public:
    int FindImageBySnapshot(char*, unsigned, char*, unsigned, uint32_t) override { return 0; }
    int FindImageByModules(char*, unsigned, char*, unsigned, uint32_t) override { return 0; }
    int FindImageByWmi(const char*, char*, unsigned, char*, unsigned, uint32_t) override { return -2; }
    int GetProcessAccount(uint32_t, char*, unsigned, char*, unsigned) override { return 0; }
    uint32_t GetCurrentProcessId() override { return 0; }
};
}  // namespace

CProcessService& SystemProcesses() {
    static CNoProcesses processes;
    return processes;
}
