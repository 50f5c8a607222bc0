#pragma once
// The browser readers, one per supported browser, each recognising it by the
// executable's file name (compared whole, after lower-casing the record's
// file name in place). Internet Explorer and Firefox are asked over DDE
// (topic "WWW_GetWindowInfo", item "0xFFFFFFFF": the most recently active
// window) for the address they show; Chrome, Opera and the Yandex browser are
// recognised but no address is read from them. On Linux no browser answers
// DDE, so no address is read at all.

#include "log/error_base.h"
#include "sensing/browser_base.h"

// A reader described by its name, its executable and, when it reads an
// address, its DDE service. Nothing is recorded in the CErrorBase part.
class CBrowserReader : public CBrowserBase, public CErrorBase {
public:
    int GetName(char* buffer, int size) override;
    // DDE readers: 1 address read; 0 no instance, no conversation or no reply;
    // -1 buffer null or size below 1; -4 no memory. The other readers: 0.
    int ReadURL(const CProcess& process, char* buffer, int size) override;
    int IsBrowserProcess(CProcess& process) override;

protected:
    // `ddeService` null: the browser is recognised but not asked.
    CBrowserReader(const char* name, const char* executable, const char* ddeService)
        : m_name(name), m_executable(executable), m_ddeService(ddeService) {}

private:
    const char* m_name;
    const char* m_executable;
    const char* m_ddeService;
};

class CIEBrowser : public CBrowserReader {
public:
    CIEBrowser() : CBrowserReader("CIEBrowser", "iexplore.exe", "IExplore") {}
};

class CFirefoxBrowser : public CBrowserReader {
public:
    CFirefoxBrowser() : CBrowserReader("CFirefoxBrowser", "firefox.exe", "firefox") {}
};

class CChromeBrowser : public CBrowserReader {
public:
    CChromeBrowser() : CBrowserReader("CChromeBrowser", "chrome.exe", nullptr) {}
};

class COperaBrowser : public CBrowserReader {
public:
    COperaBrowser() : CBrowserReader("COperaBrowser", "opera.exe", nullptr) {}
};

class CYandexBrowser : public CBrowserReader {
public:
    CYandexBrowser() : CBrowserReader("CYaBrowser", "browser.exe", nullptr) {}
};
