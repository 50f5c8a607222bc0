#pragma once
// Chooses the reader of the browser in front and reads its address.
//
// The readers of named browsers are tried in a fixed order (Internet
// Explorer, Firefox, Chrome, Opera, Yandex); the first that claims the
// process is the only one of them asked. When it reads no address, or none
// claims the process, the extension reader answers from what the browser
// extension's host reported for the process and its window. Every named
// reader's test lower-cases the record's file name in place, so after
// FindURL the file name is in lower case.

#include "sensing/browser_base.h"

class CBrowsersManager {
public:
    CBrowsersManager() = default;
    virtual ~CBrowsersManager() = default;

    // 1 a reader read an address, now in `holder` (cut to what the holder
    // keeps); 0 no reader read one (the holder is untouched); -4 no memory
    // for the working buffer. Allocates only when a reader claims the process.
    int FindURL(CProcess& process, CBrowserBase& holder);
    // True when the last FindURL asked a browser itself (a DDE
    // conversation), whose address can change without anyone telling.
    bool AskedBrowser() const { return m_askedBrowser; }
    // True when a reader claimed the process in the last FindURL: a named
    // browser, or one whose extension reports on it, whether or not an
    // address was read.
    bool FoundBrowser() const { return m_foundBrowser; }

private:
    bool m_askedBrowser = false;
    bool m_foundBrowser = false;
};
