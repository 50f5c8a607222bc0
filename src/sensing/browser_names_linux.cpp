#include "sensing/browser_names.h"

namespace {
// The Windows names stay: a program may be named after its argv[0].
constexpr const char* kIe[] = {"iexplore.exe"};
constexpr const char* kFirefox[] = {"firefox.exe", "firefox", "firefox-esr", "firefox-bin"};
constexpr const char* kChrome[] = {"chrome.exe", "chrome", "chromium", "chromium-browser"};
constexpr const char* kOpera[] = {"opera.exe", "opera"};
constexpr const char* kYandex[] = {"browser.exe", "yandex_browser", "yandex-browser"};
constexpr CBrowserExecutables kExecutables{kIe, kFirefox, kChrome, kOpera, kYandex};
}  // namespace

const CBrowserExecutables& BrowserExecutables() { return kExecutables; }
