#pragma once
// One HTTP exchange with a project-management server, run by libcurl's easy
// interface in a fixed sequence of virtual steps. Request classes override the
// steps that differ: the address, the headers, the body, where the response
// body goes and which status counts as success.
//
// Execute: CreateHandle, then Prepare, Perform and ReadResponseInfo; the first
// step that does not give 1 ends the exchange with its result. The handle and
// the header list are released on every way out.
//
// Results: 1 success; 0 a libcurl call failed (its text in GetErrorText(),
// its code in GetTransferCode()), a file could not be opened or an option was
// refused; -1 no address; -3 a text of the request is not valid UTF-8 (never
// sent as invalid JSON); -4 no memory; -5 a built address or body longer than
// its buffer; -7 already set or already running; -8 no handle or no working
// folder; -50 the server answered with another status than the expected one;
// -60 a time limit passed (kTimedOut).
//
// Limits: no connection within 10 s, or nothing received or sent for 60 s
// (watched through libcurl's progress callback, to about a second), ends the
// exchange with kTimedOut; at most 5 redirections
// are followed (then 0 with libcurl's text), only to http and https.
//
// TLS: the server's certificate and host name are always checked, against the
// system's authorities or, after SetCaFile, against the authorities of that
// file (for servers with a private certificate authority).
//
// Thread safety: one object belongs to one thread for its whole exchange; the
// transfer blocks that thread. No exception leaves this class.

#include <curl/curl.h>

#include <chrono>
#include <cstdio>

#include "log/auto_char_buffer.h"

class CManagementSystemAPI {
public:
    static constexpr int kServerUrlSize = 128;
    static constexpr int kHostNameSize = 128;
    static constexpr int kUrlBufferSize = 255;
    static constexpr int kBodySize = 2048;
    static constexpr int kErrorTextSize = 256;
    static constexpr int kEffectiveUrlSize = 1024;
    static constexpr int kCookieFileSize = 260;
    static constexpr long kConnectLimitSeconds = 10;
    static constexpr long kStallLimitSeconds = 60;
    static constexpr long kMaxRedirects = 5;
    static constexpr int kNotUtf8 = -3;
    static constexpr int kTimedOut = -60;

    CManagementSystemAPI();
    virtual ~CManagementSystemAPI();
    CManagementSystemAPI(const CManagementSystemAPI&) = delete;
    CManagementSystemAPI& operator=(const CManagementSystemAPI&) = delete;

    // Runs the whole exchange (see above).
    virtual int Execute();
    // 1 a handle was obtained; 0 libcurl gave none; -7 a handle is held already.
    virtual int CreateHandle();
    // Sets the common options, then SetUrl, SetCredentials, SetHeaders and
    // SetBody; the result of SetBody, or the first failure. -8 without a handle.
    virtual int Prepare();
    // Runs the transfer. The body goes to the open response file, or is
    // discarded when there is none; the response file is closed in every case.
    // 1; 0 libcurl failed (its text in GetErrorText()); kTimedOut a time
    // limit passed (the text says which); -8 without a handle.
    virtual int Perform();
    // Reads the status, the address finally reached and the port used.
    // 1; 0 a read failed; -8 without a handle.
    virtual int ReadResponseInfo();
    // Frees the header list, closes the response file and the handle. Always 1.
    virtual int ReleaseHandle();
    // Hands the header list to libcurl. 1 also when there is none; -8 when
    // there is one but no handle.
    virtual int SetHeaders();
    // Makes the request a POST of the body when there is one (else it stays a
    // GET). 1 also when there is none; -5 a body longer than 2048 characters
    // (never sent cut); -8 when there is one but no handle.
    virtual int SetBody();
    // Session cookie (mode 2: read from and written to the cookie file) or
    // HTTP basic authentication (mode 1); nothing for mode 0. -8 without a handle.
    virtual int SetCredentials();
    // The request's address. -8 without a handle; -1 no address.
    virtual int SetUrl();
    // Releases the handle and clears every member to zero or empty.
    virtual void Reset();

    // Base address of the server (scheme, host, optional port and path; cut to
    // 128 characters) and the host name for the "Host: " header of the JSON
    // requests (cut to 128 characters; none or empty: no such header, libcurl
    // sends the host of the address). 1; -1 no server address, or a host name
    // holding a control character (it would end the header early).
    int SetServer(const char* serverUrl, const char* hostName);
    // A file of trusted certificate authorities (PEM) used instead of the
    // system's; none or empty goes back to the system's. 1; -4 no memory.
    int SetCaFile(const char* path);
    // HTTP basic authentication with this user and password for the requests
    // that do not keep a session. 1; -1 no user, or a user holding a colon;
    // -4 no memory.
    int SetBasicCredential(const char* userName, const char* password);
    // The time limits of the exchange, in seconds (at least 1 each): no
    // connection within `connectSeconds`, or nothing received or sent for
    // `stallSeconds`, ends it with kTimedOut. Reset gives back 10 and 60.
    void SetTimeLimits(long connectSeconds, long stallSeconds);

    const char* GetErrorText() const { return m_errorText; }
    // libcurl's code of the last transfer (CURLE_OK when it went through),
    // for callers that tell causes apart (unreachable, certificate, ...).
    CURLcode GetTransferCode() const { return m_transferCode; }
    // Whether the last transfer sent its request: after a failure it is then
    // unknown whether the server acted on it (a worklog may exist).
    bool RequestWasSent() const { return m_requestSent; }
    int GetResponseCode() const { return m_responseCode; }
    // The address finally reached (after redirections), or nullptr.
    const char* GetEffectiveUrl() const { return m_effectiveUrl.Get(); }
    int GetPrimaryPort() const { return m_primaryPort; }
    // The file that received the last response body, or nullptr.
    const char* GetResponseFilePath() const { return m_responseFilePath.Get(); }

protected:
    // Sets an option and tells whether libcurl accepted it.
    template <typename T>
    bool SetOption(CURLoption option, T value) {
        return curl_easy_setopt(m_curl, option, value) == CURLE_OK;
    }
    // The body to post: the owned body, else the one built in m_bodyBuffer, else nullptr.
    const char* PostData() const;
    // Puts `text` (cut to 256 characters) into the error text.
    void SetErrorText(const char* text);
    // The same with `text` followed by `detail`.
    void SetErrorText(const char* text, const char* detail);
    void CloseResponseFile();

    CURL* m_curl;
    int m_authMode;     // 0 none, 1 HTTP basic, 2 session cookie in m_cookieFile
    const char* m_url;  // m_urlBuffer or m_ownedUrl
    CAutoCharBuffer m_ownedUrl;
    char m_errorText[kErrorTextSize + 1];  // also libcurl's error buffer (CURL_ERROR_SIZE)
    CAutoCharBuffer m_responseFilePath;
    CAutoCharBuffer m_body;
    char m_bodyBuffer[kBodySize + 1];
    curl_slist* m_headers;
    char m_serverUrl[kServerUrlSize + 1];
    char m_hostName[kHostNameSize + 1];
    char m_urlBuffer[kUrlBufferSize + 1];
    int m_responseCode;
    CAutoCharBuffer m_effectiveUrl;
    int m_primaryPort;
    FILE* m_responseFile;
    char m_cookieFile[kCookieFileSize + 1];
    CAutoCharBuffer m_caFile;
    CAutoCharBuffer m_basicCredential;  // "user:password"
    long m_connectLimit;
    long m_stallLimit;
    CURLcode m_transferCode;

private:
    // The time limits, the redirection limit and the protocols allowed.
    bool SetLimits();
    // libcurl's progress callback: ends a transfer in which nothing was
    // received or sent for the stall limit.
    static int OnProgress(void* self, curl_off_t, curl_off_t received, curl_off_t, curl_off_t sent);
    // The error text of a time-out: the connection or the answer.
    void SetTimeOutText();

    bool m_stalled = false;
    bool m_requestSent = false;
    bool m_progressSeen = false;
    curl_off_t m_progressReceived = 0;
    curl_off_t m_progressSent = 0;
    std::chrono::steady_clock::time_point m_progressTime;
};
