#include "fakes/fake_processes.h"

#include "platform/text.h"

namespace {
void Write(char* buffer, unsigned size, const std::string& text) {
    if (!text.empty()) CopyTextCut(buffer, text.c_str(), size - 1);
}
}  // namespace

CFakeProcesses::CFakeProcesses() { m_previous = SetProcesses(this); }

CFakeProcesses::~CFakeProcesses() { SetProcesses(m_previous); }

void CFakeProcesses::AddProcess(uint32_t processId, const std::string& fileName, const std::string& path) {
    SetImage(Method::Snapshot, processId, {1, fileName, path});
}

void CFakeProcesses::SetImage(Method method, uint32_t processId, const CFakeImage& image) {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_images[{method, processId}] = image;
}

void CFakeProcesses::SetAccount(uint32_t processId, const std::string& domain, const std::string& name) {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_accounts[processId] = {domain, name};
}

void CFakeProcesses::SetCurrentProcessId(uint32_t processId) {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_currentProcessId = processId;
}

int CFakeProcesses::Calls(Method method) const {
    std::lock_guard<std::mutex> guard(m_mutex);
    const auto found = m_calls.find(method);
    return found == m_calls.end() ? 0 : found->second;
}

int CFakeProcesses::AccountCalls() const {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_accountCalls;
}

int CFakeProcesses::Report(Method method, int missing, char* fileName, unsigned fileNameSize, char* path,
                           unsigned pathSize, uint32_t processId) {
    std::lock_guard<std::mutex> guard(m_mutex);
    ++m_calls[method];
    if (!fileName || !path || fileNameSize == 0 || pathSize == 0) return -1;
    const auto found = m_images.find({method, processId});
    if (found == m_images.end()) return missing;
    Write(fileName, fileNameSize, found->second.fileName);
    Write(path, pathSize, found->second.path);
    return found->second.result;
}

int CFakeProcesses::FindImageBySnapshot(char* fileName, unsigned fileNameSize, char* path, unsigned pathSize,
                                        uint32_t processId) {
    return Report(Method::Snapshot, -52, fileName, fileNameSize, path, pathSize, processId);
}

int CFakeProcesses::FindImageByModules(char* fileName, unsigned fileNameSize, char* path, unsigned pathSize,
                                       uint32_t processId) {
    return Report(Method::Modules, -9, fileName, fileNameSize, path, pathSize, processId);
}

int CFakeProcesses::FindImageByWmi(const char*, char* fileName, unsigned fileNameSize, char* path, unsigned pathSize,
                                   uint32_t processId) {
    return Report(Method::Wmi, 0, fileName, fileNameSize, path, pathSize, processId);
}

int CFakeProcesses::GetProcessAccount(uint32_t processId, char* domain, unsigned domainSize, char* name,
                                      unsigned nameSize) {
    std::lock_guard<std::mutex> guard(m_mutex);
    ++m_accountCalls;
    const auto found = m_accounts.find(processId);
    if (found == m_accounts.end() || !domain || !name || domainSize == 0 || nameSize == 0) return 0;
    CopyTextCut(domain, found->second.first.c_str(), domainSize - 1);
    CopyTextCut(name, found->second.second.c_str(), nameSize - 1);
    return 1;
}

uint32_t CFakeProcesses::GetCurrentProcessId() {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_currentProcessId;
}
