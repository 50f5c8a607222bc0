#pragma once
// The executable file names (lower case, compared whole) by which the
// browser readers recognise their browsers on this target. Windows knows the
// ".exe" names only; Linux adds the names its browsers run under (Chromium
// counts as Chrome, as it does on Windows, where both are chrome.exe).

#include <span>

struct CBrowserExecutables {
    std::span<const char* const> ie;
    std::span<const char* const> firefox;
    std::span<const char* const> chrome;
    std::span<const char* const> opera;
    std::span<const char* const> yandex;
};

const CBrowserExecutables& BrowserExecutables();
