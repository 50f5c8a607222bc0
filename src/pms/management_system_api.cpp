#include "pms/management_system_api.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/text.h"
#include "pms/owned_text.h"

static_assert(CManagementSystemAPI::kErrorTextSize + 1 >= CURL_ERROR_SIZE, "libcurl's error buffer must fit");

namespace {
constexpr char kUserAgent[] = "QLO 1.0";

// libcurl is initialised once per process before the first handle, rather
// than implicitly (and not thread-safely) by the first curl_easy_init.
bool InitLibcurl() {
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return initialised;
}

// Writes a received block to the response file; without a file the block is
// accepted and dropped, so that nothing reaches the process's own output.
size_t WriteToResponseFile(char* data, size_t size, size_t count, void* file) {
    if (!file) return size * count;
    if (!data) return 0;
    return fwrite(data, size, count, static_cast<FILE*>(file)) * size;
}
}  // namespace

CManagementSystemAPI::CManagementSystemAPI() : m_curl(nullptr), m_headers(nullptr), m_responseFile(nullptr) { Reset(); }

CManagementSystemAPI::~CManagementSystemAPI() { ReleaseHandle(); }

int CManagementSystemAPI::Execute() {
    const int created = CreateHandle();
    if (created != 1) return created;
    int result = Prepare();
    if (result == 1) result = Perform();
    if (result == 1) result = ReadResponseInfo();
    const int released = ReleaseHandle();
    return result == 1 ? released : result;
}

int CManagementSystemAPI::CreateHandle() {
    if (m_curl) return -7;
    if (!InitLibcurl()) return 0;
    m_curl = curl_easy_init();
    return m_curl ? 1 : 0;
}

int CManagementSystemAPI::Prepare() {
    if (!m_curl) return -8;
    if (!SetOption(CURLOPT_FOLLOWLOCATION, 1L) || !SetOption(CURLOPT_VERBOSE, 0L) ||
        !SetOption(CURLOPT_USERAGENT, kUserAgent) || !SetLimits())
        return 0;
    const int url = SetUrl();
    if (url != 1) return url;
    const int credentials = SetCredentials();
    if (credentials != 1) return credentials;
    if (!SetOption(CURLOPT_ERRORBUFFER, m_errorText) || !SetOption(CURLOPT_SSL_VERIFYPEER, 1L) ||
        !SetOption(CURLOPT_SSL_VERIFYHOST, 2L))
        return 0;
    if (m_caFile.Get() && !SetOption(CURLOPT_CAINFO, m_caFile.Get())) return 0;
    const int headers = SetHeaders();
    if (headers != 1) return headers;
    return SetBody();
}

int CManagementSystemAPI::Perform() {
    if (!m_curl) return -8;
    int result = 0;
    if (SetOption(CURLOPT_WRITEDATA, static_cast<void*>(m_responseFile)) &&
        SetOption(CURLOPT_WRITEFUNCTION, &WriteToResponseFile)) {
        m_transferCode = curl_easy_perform(m_curl);
        long requestSize = 0;
        m_requestSent = curl_easy_getinfo(m_curl, CURLINFO_REQUEST_SIZE, &requestSize) == CURLE_OK && requestSize > 0;
        if (m_transferCode == CURLE_OK) {
            result = 1;
        } else if (m_transferCode == CURLE_OPERATION_TIMEDOUT || m_stalled) {
            result = kTimedOut;
            SetTimeOutText();
        } else {
            SetErrorText(curl_easy_strerror(m_transferCode));
        }
    }
    CloseResponseFile();
    return result;
}

int CManagementSystemAPI::ReadResponseInfo() {
    if (!m_curl) return -8;
    long status = 0;
    long port = 0;
    char* effectiveUrl = nullptr;
    if (curl_easy_getinfo(m_curl, CURLINFO_RESPONSE_CODE, &status) != CURLE_OK) return 0;
    m_responseCode = static_cast<int>(status);
    if (curl_easy_getinfo(m_curl, CURLINFO_EFFECTIVE_URL, &effectiveUrl) != CURLE_OK) return 0;
    if (CopyToOwnedText(m_effectiveUrl, effectiveUrl, kEffectiveUrlSize) != 1) return 0;
    if (curl_easy_getinfo(m_curl, CURLINFO_PRIMARY_PORT, &port) != CURLE_OK) return 0;
    m_primaryPort = static_cast<int>(port);
    return 1;
}

int CManagementSystemAPI::ReleaseHandle() {
    if (m_headers) {
        curl_slist_free_all(m_headers);
        m_headers = nullptr;
    }
    CloseResponseFile();
    if (m_curl) {
        // Cleaning up also writes the session cookies to the cookie file.
        curl_easy_cleanup(m_curl);
        m_curl = nullptr;
    }
    return 1;
}

int CManagementSystemAPI::SetHeaders() {
    if (!m_headers) return 1;
    if (!m_curl) return -8;
    return SetOption(CURLOPT_HTTPHEADER, m_headers) ? 1 : 0;
}

int CManagementSystemAPI::SetBody() {
    const char* body = PostData();
    if (!body) return 1;
    if (!m_curl) return -8;
    const size_t length = strnlen(body, kBodySize + 1);
    if (length > kBodySize) return -5;
    return SetOption(CURLOPT_POST, 1L) && SetOption(CURLOPT_POSTFIELDS, body) &&
                   SetOption(CURLOPT_POSTFIELDSIZE, static_cast<long>(length))
               ? 1
               : 0;
}

int CManagementSystemAPI::SetCredentials() {
    if (!m_curl) return -8;
    switch (m_authMode) {
        case 2:
            return SetOption(CURLOPT_COOKIEFILE, m_cookieFile) && SetOption(CURLOPT_COOKIEJAR, m_cookieFile) ? 1 : 0;
        case 1:
            if (!m_basicCredential.Get()) return -1;
            return SetOption(CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC)) &&
                           SetOption(CURLOPT_USERPWD, m_basicCredential.Get())
                       ? 1
                       : 0;
        default:
            return 1;
    }
}

int CManagementSystemAPI::SetUrl() {
    if (!m_curl) return -8;
    if (!m_url) return -1;
    return SetOption(CURLOPT_URL, m_url) ? 1 : 0;
}

void CManagementSystemAPI::Reset() {
    ReleaseHandle();
    m_authMode = 0;
    m_url = nullptr;
    m_ownedUrl.Release();
    m_errorText[0] = '\0';
    m_responseFilePath.Release();
    m_body.Release();
    m_bodyBuffer[0] = '\0';
    m_serverUrl[0] = '\0';
    m_hostName[0] = '\0';
    m_urlBuffer[0] = '\0';
    m_responseCode = 0;
    m_effectiveUrl.Release();
    m_primaryPort = 0;
    m_cookieFile[0] = '\0';
    m_caFile.Release();
    m_basicCredential.Release();
    m_connectLimit = kConnectLimitSeconds;
    m_stallLimit = kStallLimitSeconds;
    m_transferCode = CURLE_OK;
    m_stalled = false;
    m_requestSent = false;
    m_progressSeen = false;
}

int CManagementSystemAPI::SetServer(const char* serverUrl, const char* hostName) {
    if (!serverUrl || !*serverUrl) return -1;
    for (const char* c = hostName; c && *c; ++c)
        if (static_cast<unsigned char>(*c) < 0x20 || *c == 0x7F) return -1;
    CopyTextCut(m_serverUrl, serverUrl, kServerUrlSize);
    // The paths are appended with their own '/': "https://jira/" must not
    // give "https://jira//rest/...".
    for (size_t length = std::strlen(m_serverUrl); length > 0 && m_serverUrl[length - 1] == '/'; --length)
        m_serverUrl[length - 1] = '\0';
    if (!m_serverUrl[0]) return -1;
    CopyTextCut(m_hostName, hostName, kHostNameSize);
    return 1;
}

void CManagementSystemAPI::SetTimeLimits(long connectSeconds, long stallSeconds) {
    m_connectLimit = connectSeconds < 1 ? 1 : connectSeconds;
    m_stallLimit = stallSeconds < 1 ? 1 : stallSeconds;
}

bool CManagementSystemAPI::SetLimits() {
    m_stalled = false;
    m_progressSeen = false;
    return SetOption(CURLOPT_CONNECTTIMEOUT, m_connectLimit) && SetOption(CURLOPT_MAXREDIRS, kMaxRedirects) &&
           SetOption(CURLOPT_PROTOCOLS_STR, "http,https") && SetOption(CURLOPT_REDIR_PROTOCOLS_STR, "http,https") &&
           SetOption(CURLOPT_XFERINFOFUNCTION, &CManagementSystemAPI::OnProgress) &&
           SetOption(CURLOPT_XFERINFODATA, static_cast<void*>(this)) && SetOption(CURLOPT_NOPROGRESS, 0L) &&
           // Time limits without signals: the transfer runs on a caller's thread.
           SetOption(CURLOPT_NOSIGNAL, 1L);
}

int CManagementSystemAPI::OnProgress(void* self, curl_off_t, curl_off_t received, curl_off_t, curl_off_t sent) {
    // libcurl calls this at least once a second, also while nothing moves.
    auto* api = static_cast<CManagementSystemAPI*>(self);
    const auto now = std::chrono::steady_clock::now();
    if (received != api->m_progressReceived || sent != api->m_progressSent || !api->m_progressSeen) {
        api->m_progressSeen = true;
        api->m_progressReceived = received;
        api->m_progressSent = sent;
        api->m_progressTime = now;
        return 0;
    }
    if (now - api->m_progressTime < std::chrono::seconds(api->m_stallLimit)) return 0;
    api->m_stalled = true;
    return 1;  // ends the transfer with CURLE_ABORTED_BY_CALLBACK
}

void CManagementSystemAPI::SetTimeOutText() {
    char text[kErrorTextSize + 1];
    if (m_stalled)
        std::snprintf(text, sizeof(text), "Time-out: the server sent nothing for %ld s", m_stallLimit);
    else
        std::snprintf(text, sizeof(text), "Time-out: no connection to the server within %ld s", m_connectLimit);
    SetErrorText(text);
}

int CManagementSystemAPI::SetCaFile(const char* path) { return CopyToOwnedText(m_caFile, path, kMaxPathLength); }

int CManagementSystemAPI::SetBasicCredential(const char* userName, const char* password) {
    // RFC 7617: the user of a basic credential cannot hold a colon.
    if (!userName || !*userName || std::strchr(userName, ':')) return -1;
    if (!password) password = "";
    const size_t userLength = std::strlen(userName);
    const size_t passwordLength = std::strlen(password);
    const int allocated = m_basicCredential.Allocate(static_cast<int>(userLength + 1 + passwordLength), true);
    if (allocated != 1) return allocated;
    char* out = m_basicCredential.Get();
    std::memcpy(out, userName, userLength);
    out[userLength] = ':';
    std::memcpy(out + userLength + 1, password, passwordLength);
    m_authMode = 1;
    return 1;
}

const char* CManagementSystemAPI::PostData() const {
    if (m_body.Get()) return m_body.Get();
    return m_bodyBuffer[0] ? m_bodyBuffer : nullptr;
}

void CManagementSystemAPI::SetErrorText(const char* text) { CopyTextCut(m_errorText, text, kErrorTextSize); }

void CManagementSystemAPI::SetErrorText(const char* text, const char* detail) {
    std::string joined = text ? text : "";
    if (detail) joined += detail;
    SetErrorText(joined.c_str());
}

void CManagementSystemAPI::CloseResponseFile() {
    if (m_responseFile) {
        fclose(m_responseFile);
        m_responseFile = nullptr;
    }
}
