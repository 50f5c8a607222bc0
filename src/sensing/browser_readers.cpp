#include "sensing/browser_readers.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "platform/text.h"
#include "sensing/ascii_case.h"
#include "sensing/browser_reports.h"
#include "sensing/dde_client.h"

namespace {
// DDE instance flags: no notifications, and refuse executes, advises and
// conversations with ourselves; a client only asks.
constexpr uint32_t kDdeClientFlags = 0x3cd000;
constexpr int kReplyCapacity = 1024;

DdeHandle QLO_DDE_CALLBACK AnswerNothing(unsigned, unsigned, DdeHandle, DdeHandle, DdeHandle, DdeHandle, std::uintptr_t,
                                         std::uintptr_t) {
    return 0;
}
}  // namespace

int CBrowserReader::GetName(char* buffer, int size) { return WriteName(m_name, buffer, size); }

int CBrowserReader::IsBrowserProcess(CProcess& process) {
    char fileName[CProcess::kFileNameSize];
    CopyTextCut(fileName, process.GetFileName(), sizeof(fileName) - 1);
    LowerAsciiLetters(fileName);
    process.SetFileName(fileName);
    for (const char* executable : m_executables)
        if (std::strcmp(fileName, executable) == 0) return 1;
    return 0;
}

int CBrowserReader::ReadURL(const CProcess&, char* buffer, int size) {
    m_askedBrowser = false;
    if (!m_ddeService) return 0;
    if (!buffer || size < 1) return -1;
    std::memset(buffer, 0, static_cast<size_t>(size));

    CDDEClient client;  // its destructor ends the conversation and the instance on every path
    const int initialized = client.Initialize(AnswerNothing, kDdeClientFlags);
    if (initialized == 0 || initialized == -1) return 0;
    const int connected = client.ConnectService(m_ddeService, "WWW_GetWindowInfo");
    if (connected != 1 && connected != -7) return 0;
    m_askedBrowser = true;

    std::unique_ptr<char[]> reply(new (std::nothrow) char[kReplyCapacity + 2]());
    std::unique_ptr<char[]> title(new (std::nothrow) char[kReplyCapacity + 2]());
    if (!reply || !title) return -4;
    if (client.RequestItem("0xFFFFFFFF", title.get(), kReplyCapacity, reply.get(), kReplyCapacity) != 1) return 0;

    // A reply without a comma was left as it came, quotes included.
    const char* address = reply.get();
    int length = std::min(kReplyCapacity, size);
    if (address[0] == '"' && length > 1) {
        ++address;
        length -= 2;
    }
    CopyTextCut(buffer, address, static_cast<size_t>(std::min(length, size - 1)));
    client.DisconnectService();
    client.Uninitialize();
    return 1;
}

int CExtensionBrowser::GetName(char* buffer, int size) { return WriteName("CExtensionBrowser", buffer, size); }

int CExtensionBrowser::IsBrowserProcess(CProcess& process) {
    return BrowserReports().HasProcess(process.GetProcessId()) ? 1 : 0;
}

int CExtensionBrowser::ReadURL(const CProcess& process, char* buffer, int size) {
    if (!buffer || size < 1) return -1;
    std::memset(buffer, 0, static_cast<size_t>(size));
    const auto* window = dynamic_cast<const CWinProcess*>(&process);
    return BrowserReports().FindAddress(process.GetProcessId(), window ? window->GetTitle() : "", buffer, size);
}
