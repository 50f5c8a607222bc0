#pragma once
// Opening an address in the person's default browser.
//
// Linux: xdg-open, started in a child process that is not waited for (the
// browser may stay in front of it for as long as it runs); its output goes
// nowhere. Windows: ShellExecute with the "open" verb.

#include <string>

// Asks the desktop to show `url` (an http:// address) in the default
// browser. 1 when the request was handed over; 0 when it could not be
// (no xdg-open, no handler): the caller then names the address itself.
int OpenInBrowser(const std::string& url);
