#include "sensing/browser_names.h"

namespace {
constexpr const char* kIe[] = {"iexplore.exe"};
constexpr const char* kFirefox[] = {"firefox.exe"};
constexpr const char* kChrome[] = {"chrome.exe"};
constexpr const char* kOpera[] = {"opera.exe"};
constexpr const char* kYandex[] = {"browser.exe"};
constexpr CBrowserExecutables kExecutables{kIe, kFirefox, kChrome, kOpera, kYandex};
}  // namespace

const CBrowserExecutables& BrowserExecutables() { return kExecutables; }
