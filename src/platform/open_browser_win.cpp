#include <shellapi.h>
#include <windows.h>

#include "platform/open_browser.h"

int OpenInBrowser(const std::string& url) {
    // Values above 32 mean success.
    const HINSTANCE result = ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32 ? 1 : 0;
}
