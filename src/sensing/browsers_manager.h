#pragma once
// Chooses the reader of the browser in front and reads its address.
//
// The readers are tried in a fixed order (Internet Explorer, Firefox, Chrome,
// Opera, Yandex); the first that claims the process decides, and no later
// reader is asked. Every reader's test lower-cases the record's file name in
// place, so after FindURL the file name is in lower case.

#include "sensing/browser_base.h"

class CBrowsersManager {
public:
    CBrowsersManager() = default;
    virtual ~CBrowsersManager() = default;

    // 1 a reader claimed the process and read an address, now in `holder`
    // (cut to what the holder keeps); 0 no reader claimed it, or the claiming
    // reader read nothing (the holder is untouched); -4 no memory for the
    // working buffer.
    int FindURL(CProcess& process, CBrowserBase& holder);
};
