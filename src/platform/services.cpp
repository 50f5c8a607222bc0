// The process-wide instances of the replaceable platform services. Each
// operating system's implementation file defines the System...() function
// that gives the default instance.

#include "platform/clock.h"
#include "platform/dde.h"
#include "platform/desktop.h"
#include "platform/folders.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "platform/service_slot.h"

CClockService& SystemClock();
CDesktopService& SystemDesktop();
CProcessService& SystemProcesses();
CDdeService& SystemDde();
CRegistryService& SystemRegistry();
CFolderService& SystemFolders();

namespace {
template <class Service, Service& (*System)()>
CServiceSlot<Service>& Slot() {
    static CServiceSlot<Service> slot(System());
    return slot;
}
}  // namespace

CClockService& Clock() { return Slot<CClockService, SystemClock>().Get(); }
CClockService* SetClock(CClockService* clock) { return Slot<CClockService, SystemClock>().Replace(clock); }

CDesktopService& Desktop() { return Slot<CDesktopService, SystemDesktop>().Get(); }
CDesktopService* SetDesktop(CDesktopService* desktop) {
    return Slot<CDesktopService, SystemDesktop>().Replace(desktop);
}

CProcessService& Processes() { return Slot<CProcessService, SystemProcesses>().Get(); }
CProcessService* SetProcesses(CProcessService* processes) {
    return Slot<CProcessService, SystemProcesses>().Replace(processes);
}

CDdeService& Dde() { return Slot<CDdeService, SystemDde>().Get(); }
CDdeService* SetDde(CDdeService* dde) { return Slot<CDdeService, SystemDde>().Replace(dde); }

CRegistryService& Registry() { return Slot<CRegistryService, SystemRegistry>().Get(); }
CRegistryService* SetRegistry(CRegistryService* registry) {
    return Slot<CRegistryService, SystemRegistry>().Replace(registry);
}

CFolderService& Folders() { return Slot<CFolderService, SystemFolders>().Get(); }
CFolderService* SetFolders(CFolderService* folders) { return Slot<CFolderService, SystemFolders>().Replace(folders); }
