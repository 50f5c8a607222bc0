// The capture of the activity in front, written against the desktop, clock
// and process services.
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/processes.h"
#include "platform/text.h"
#include "sensing/activity.h"
#include "sensing/browsers_manager.h"
#include "sensing/process_name_cache.h"
#include "sensing/skype_plugin.h"

namespace {
// The foreground window is asked for this many more times, this far apart,
// before the desktop window stands in (the foreground is briefly empty while
// windows switch).
constexpr int kForegroundRetries = 4;
constexpr uint32_t kForegroundRetryPauseMs = 500;
// The title buffer of a capture and the limit of its title read (at most 259
// characters arrive). Once a title exists its length counts as the limit.
constexpr int kTitleBufferSize = 262;
constexpr int kTitleLimit = 260;
// Tick differences from here up to 2^32 - 1 are a last input after the
// current tick, not an idle time of more than 24 days.
constexpr uint32_t kIdleAheadLimit = 0x80000000u;
static_assert((kIdleThresholdSeconds + 1) * 1000 == kIdleNoticeMs, "desktops watch the idle limit of the capture");
}  // namespace

uint32_t GetIdleTime() {
    uint32_t lastInput = 0;
    if (!Desktop().GetLastInputTick(lastInput)) return 0;
    // Modulo 2^32, so that idle time runs on across the wrap of the tick
    // counter (every 49.7 days); a last input a little ahead of the current
    // tick (read a moment later) reads as none.
    const uint32_t idle = Clock().TickCount() - lastInput;
    return idle < kIdleAheadLimit ? idle : 0;
}

ActivityType CWinActivity::GetInputState() {
    return GetIdleTime() / 1000 > static_cast<uint32_t>(kIdleThresholdSeconds) ? ActivityType::Idle
                                                                               : ActivityType::Active;
}

int CWinActivity::GetProcessUser(uint32_t processId, CUser& user) {
    if (processId == 0) return 0;
    char domain[CUser::kTextSize] = {};
    char name[CUser::kTextSize] = {};
    if (Processes().GetProcessAccount(processId, domain, sizeof(domain), name, sizeof(name)) != 1) return 0;
    user.Set(domain, name);
    return 1;
}

int CWinActivity::Capture() {
    m_repeatable = false;
    m_browser = false;
    CDesktopService& desktop = Desktop();
    WindowHandle window = desktop.GetForegroundWindow();
    for (int retry = 0; !window && retry < kForegroundRetries; ++retry) {
        Clock().Sleep(kForegroundRetryPauseMs);
        window = desktop.GetForegroundWindow();
    }
    if (!window) window = desktop.GetDesktopWindow();
    if (!window) return -52;

    try {
        int status = 1;
        int titleLength = desktop.GetWindowTextLength(window);
        const uint32_t processId = desktop.GetWindowProcessId(window);
        char title[kTitleBufferSize] = {};
        if (titleLength > 0) {
            titleLength = kTitleLimit;
            if (desktop.GetWindowText(window, title, kTitleLimit) == 0) status = 0;
        }

        SetType(GetInputState());

        CWinProcess process(processId, title);
        CProcessNameCache& names = CProcessNameCache::ForThisThread();
        if (!names.Lookup(window, process)) {
            if (process.Resolve() < 1) {
                names.Forget();
                return -50;
            }
            names.Remember(window, process);
        }
        SetProcess(process);

        // The messenger's main window: the open conversation names the activity.
        CSkypePlugin messenger(window, title);
        char fileName[CProcess::kFileNameSize];
        CopyTextCut(fileName, m_process.GetFileName(), sizeof(fileName) - 1);
        const int isMessenger = messenger.IsSkypeWindow(fileName, CProcess::kFileNameSize - 1, m_process.GetPath(),
                                                        CProcess::kPathSize - 1);
        m_process.SetFileName(fileName);
        if (isMessenger == 1) {
            status = messenger.GetConversationTitle(title, titleLength);
            if (status == 1) SetTitle(title, titleLength);
        }

        // A browser in front: its address, when it gives one.
        CBrowsersManager browsers;
        CBrowserBase address;
        if (browsers.FindURL(m_process, address) == 1) {
            m_urlFlag = address.GetURLLength() > 0 ? 1 : 0;
            if (m_urlFlag) SetURL(address.GetURL(), address.GetURLLength());
        }
        m_browser = browsers.FoundBrowser();

        if (m_user.IsEmpty()) {
            CUser user;
            if (GetProcessUser(processId, user) != 1) return -51;
            SetUser(user);
        }
        m_repeatable = status == 1 && isMessenger != 1 && !browsers.AskedBrowser();
        return status;
    } catch (...) {
        return -51;
    }
}
