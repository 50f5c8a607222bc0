#pragma once
// The extension's messages, checked before anything is passed on:
//   {"window": <integer>, "url": <text>, "title": <text>}  what the window shows
//   {"window": <integer>, "closed": true}                   the window has closed
// A message that says "incognito": true is never passed on. Texts longer
// than a report carries are cut on a character boundary.

#include <cstdint>
#include <string>

struct CBrowserMessage {
    bool closed = false;
    int64_t windowId = 0;
    std::string url;
    std::string title;
};

// 1 a message to pass on; 0 one to drop silently (a private window); -1 a
// malformed one, with the reason in `why`.
int ParseBrowserMessage(const std::string& json, CBrowserMessage& message, std::string& why);
