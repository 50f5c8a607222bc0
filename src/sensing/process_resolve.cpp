// Naming a process through the process service (platform/processes.h).
#include "platform/processes.h"
#include "sensing/process.h"

int CWinProcess::Resolve() {
    CProcessService& processes = Processes();
    int result = processes.FindImageBySnapshot(m_fileName, kFileNameSize, m_path, kPathSize, m_processId);
    if (result < 1) result = processes.FindImageByModules(m_fileName, kFileNameSize, m_path, kPathSize, m_processId);
    if (result != 1)
        result = processes.FindImageByWmi(nullptr, m_fileName, kFileNameSize, m_path, kPathSize, m_processId);
    if (m_fileName[0] == '\0') SetFileName(kSystemFileName);
    if (m_path[0] == '\0') SetPath(kSystemPath);
    return result;
}
