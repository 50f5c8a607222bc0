#include <windows.h>
// windows.h first: the header below needs its types.
#include <shellapi.h>

#include "platform/open_browser.h"

int OpenInBrowser(const std::string& url) {
    // Values above 32 mean success.
    const HINSTANCE result = ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32 ? 1 : 0;
}
