#pragma once
// The browser readers. The five readers of named browsers recognise theirs
// by the executable's file name (compared whole, after lower-casing the
// record's file name in place; the names of each target in browser_names.h).
// Internet Explorer and Firefox are asked over DDE (topic
// "WWW_GetWindowInfo", item "0xFFFFFFFF": the most recently active window)
// for the address they show; Chrome, Opera and the Yandex browser are
// recognised but not asked. On Linux no browser answers DDE.
//
// The extension reader answers for any browser that runs the browser
// extension: from what the extension's native messaging host reported (see
// browser_reports.h), for the process in front and its window's title.

#include <span>

#include "log/error_base.h"
#include "sensing/browser_base.h"
#include "sensing/browser_names.h"

// A reader described by its name, its executables and, when it reads an
// address, its DDE service. Nothing is recorded in the CErrorBase part.
class CBrowserReader : public CBrowserBase, public CErrorBase {
public:
    int GetName(char* buffer, int size) override;
    // DDE readers: 1 address read; 0 no instance, no conversation or no reply;
    // -1 buffer null or size below 1; -4 no memory. The other readers: 0.
    int ReadURL(const CProcess& process, char* buffer, int size) override;
    int IsBrowserProcess(CProcess& process) override;
    // True when the last ReadURL held a DDE conversation with the browser.
    bool AskedBrowser() const { return m_askedBrowser; }

protected:
    // `ddeService` null: the browser is recognised but not asked.
    CBrowserReader(const char* name, std::span<const char* const> executables, const char* ddeService)
        : m_name(name), m_executables(executables), m_ddeService(ddeService) {}

private:
    const char* m_name;
    std::span<const char* const> m_executables;
    const char* m_ddeService;
    bool m_askedBrowser = false;
};

class CIEBrowser : public CBrowserReader {
public:
    CIEBrowser() : CBrowserReader("CIEBrowser", BrowserExecutables().ie, "IExplore") {}
};

class CFirefoxBrowser : public CBrowserReader {
public:
    CFirefoxBrowser() : CBrowserReader("CFirefoxBrowser", BrowserExecutables().firefox, "firefox") {}
};

class CChromeBrowser : public CBrowserReader {
public:
    CChromeBrowser() : CBrowserReader("CChromeBrowser", BrowserExecutables().chrome, nullptr) {}
};

class COperaBrowser : public CBrowserReader {
public:
    COperaBrowser() : CBrowserReader("COperaBrowser", BrowserExecutables().opera, nullptr) {}
};

class CYandexBrowser : public CBrowserReader {
public:
    CYandexBrowser() : CBrowserReader("CYaBrowser", BrowserExecutables().yandex, nullptr) {}
};

class CExtensionBrowser : public CBrowserBase, public CErrorBase {
public:
    // "CExtensionBrowser".
    int GetName(char* buffer, int size) override;
    // The address of the window in front (the title of a CWinProcess record
    // names it). 1 read; 0 nothing reported for that window; -1 buffer null
    // or size below 1.
    int ReadURL(const CProcess& process, char* buffer, int size) override;
    // 1 when a window of the process has been reported. Leaves the file
    // name as it is.
    int IsBrowserProcess(CProcess& process) override;
};
