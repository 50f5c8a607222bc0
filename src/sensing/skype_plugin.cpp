#include "sensing/skype_plugin.h"

#include <algorithm>
#include <cstring>

#include "platform/text.h"
#include "sensing/ascii_case.h"

namespace {
constexpr char kMainWindowClass[] = "tSkMainForm";
constexpr char kConversationClass[] = "TConversationForm";
constexpr char kExecutable[] = "skype.exe";
constexpr char kSeparator[] = " :";
// The main title is measured up to this many characters.
constexpr size_t kMainTitleLimit = 259;
// Room kept for the account when the conversation title is read.
constexpr int kAccountRoom = 64;
}  // namespace

bool CSkypePlugin::IsMainWindow() {
    const WindowHandle main = Desktop().FindWindow(kMainWindowClass);
    return main && main == m_window;
}

int CSkypePlugin::IsSkypeWindow(char* fileName, int, const char*, int) {
    if (!m_window) return -8;
    if (!fileName) return -1;
    // The name first: it costs nothing, while the search for the main window
    // walks every top-level window, and most captures are not the messenger.
    if (!StartsWithLoweredAscii(fileName, kExecutable)) return 0;
    if (!IsMainWindow()) return 0;
    LowerAsciiLetters(fileName);
    return 1;
}

const char* CSkypePlugin::GetMainTitle() {
    if (m_mainTitle) return m_mainTitle;
    if (m_ownedTitle.Get()) return m_ownedTitle.Get();
    const int length = Desktop().GetWindowTextLength(m_window);
    if (length < 1 || m_ownedTitle.Allocate(length, true) != 1) return nullptr;
    Desktop().GetWindowText(m_window, m_ownedTitle.Get(), length + 1);
    return m_ownedTitle.Get();
}

int CSkypePlugin::ParseUserPart() {
    const char* title = GetMainTitle();
    if (!title) return -8;
    const size_t measured = TextCutLength(title, kMainTitleLimit);
    if (m_userPart.Allocate(static_cast<int>(measured) + 1, true) != 1) return -4;
    const char* hyphen = static_cast<const char*>(std::memchr(title, '-', measured));
    if (!hyphen) return 0;
    const size_t start = static_cast<size_t>(hyphen - title) + 1;
    std::memcpy(m_userPart.Get(), title + start, measured - start);
    return 1;
}

int CSkypePlugin::FindConversation(char* buffer, int size) {
    if (!m_window) return -8;
    if (!buffer || size < 1) return -1;
    if (!IsMainWindow()) return -52;
    CDesktopService& desktop = Desktop();
    WindowHandle pane = 0;
    do {
        pane = desktop.FindChildWindow(m_window, pane, kConversationClass);
        if (!pane) return 0;
    } while (!desktop.IsWindowVisible(pane));
    desktop.GetWindowText(pane, buffer, size);
    return 1;
}

int CSkypePlugin::GetConversationTitle(char* buffer, int size) {
    if (!m_window) return -8;
    if (!buffer || size < 1) return -1;
    if (ParseUserPart() != 1) return 0;
    const char* account = GetUserPart();
    std::memset(buffer, 0, static_cast<size_t>(size));
    const int accountRoom = static_cast<int>(strnlen(account, kAccountRoom));
    if (FindConversation(buffer, size - accountRoom - 4) != 1) return 0;
    // The conversation title left room for the separator and at least part of
    // the account; a longer account is cut to what fits.
    const size_t used = strnlen(buffer, static_cast<size_t>(size));
    char* end = buffer + used;
    std::memcpy(end, kSeparator, sizeof(kSeparator) - 1);
    end += sizeof(kSeparator) - 1;
    CopyTextCut(end, account, static_cast<size_t>(size - 1) - used - (sizeof(kSeparator) - 1));
    return 1;
}
