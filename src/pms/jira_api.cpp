#include "pms/jira_api.h"

#include <cstdio>
#include <cstring>

#include "platform/folders.h"
#include "platform/private_file.h"
#include "pms/owned_text.h"

namespace {
constexpr char kCookieFileName[] = "jac.txt";
constexpr char kNotAccepted[] = "Host has not accepted request";
constexpr char kHostHeader[] = "Host: ";
constexpr char kNotUtf8Text[] = "A text of the request is not valid UTF-8";

// The working folder joined with `fileName` (the folder is taken whole).
int JoinToFolder(CWorkingDirectory& out, const char* folder, const char* fileName) {
    return out.SetPath(folder, static_cast<int>(std::strlen(folder)) + 1, fileName, 0);
}
}  // namespace

CJIRAAPI::CJIRAAPI() {
    m_userName[0] = '\0';
    m_password[0] = '\0';
}

int CJIRAAPI::SetUser(const char* userName, const char* password) {
    char user[kUserNameSize + 1];
    const int copied = CopyWholeText(user, userName, kUserNameSize);
    if (copied != 1) return copied;
    if (password && *password) {
        const int passwordCopied = CopyWholeText(m_password, password, kPasswordSize);
        if (passwordCopied != 1) return passwordCopied;
    } else {
        m_password[0] = '\0';
    }
    std::memcpy(m_userName, user, sizeof(user));
    return 1;
}

int CJIRAAPI::UseBasicAuth() { return SetBasicCredential(m_userName, m_password); }

const char* CJIRAAPI::PrepareFolder() {
    const char* folder = GetPath();
    if (folder) Folders().CreateDirectory(folder);
    return folder;
}

int CJIRAAPI::UseSessionCookie() {
    const char* folder = PrepareFolder();
    if (!folder) return -8;
    const int joined = JoinToFolder(m_filePath, folder, kCookieFileName);
    if (joined != 1) return joined;
    const int copied = CopyWholeText(m_cookieFile, m_filePath.GetPath(), kCookieFileSize);
    if (copied != 1) return copied;
    // libcurl keeps the rights of an existing cookie file when it rewrites it.
    if (MakeOwnerOnlyFile(m_cookieFile) != 1) {
        SetErrorText("The cookie file cannot be created: ", m_cookieFile);
        return 0;
    }
    m_authMode = 2;
    return 1;
}

int CJIRAAPI::ExecuteInSession() {
    const int session = UseSessionCookie();
    if (session != 1) return session;
    const int executed = CManagementSystemAPI::Execute();
    if (executed != 1) return executed;
    if (m_responseCode == 200) return 1;
    SetErrorText(kNotAccepted);
    return -50;
}

int CJIRAAPI::ExecuteExpecting(int expectedStatus) {
    if (m_authMode != 1) {
        const int session = UseSessionCookie();
        if (session != 1) return session;
    }
    const int executed = CManagementSystemAPI::Execute();
    if (executed != 1) return executed;
    return m_responseCode == expectedStatus ? 1 : -50;
}

int CJIRAAPI::PerformInto(const char* fileName) {
    if (m_responseFile) return -7;
    const char* folder = PrepareFolder();
    if (!folder) return -8;
    const int joined = JoinToFolder(m_filePath, folder, fileName);
    if (joined != 1) return joined;
    if (CopyToOwnedText(m_responseFilePath, m_filePath.GetPath(), kMaxPathLength) != 1) return -4;
    m_responseFile = fopen(m_responseFilePath.Get(), "wb");
    if (!m_responseFile) {
        SetErrorText("The response file cannot be written: ", m_responseFilePath.Get());
        return 0;
    }
    const int performed = CManagementSystemAPI::Perform();
    CloseResponseFile();
    return performed;
}

int CJIRAAPI::SetHeaders() {
    if (!m_hostName[0]) return CManagementSystemAPI::SetHeaders();
    if (!m_curl) return -8;
    if (m_headers) return -7;
    char host[sizeof(kHostHeader) + kHostNameSize];
    std::snprintf(host, sizeof(host), "%s%s", kHostHeader, m_hostName);
    const char* const headers[] = {host};
    return SendHeaders(headers, 1);
}

int CJIRAAPI::SetJsonHeaders() {
    if (!m_curl) return -8;
    if (m_headers) return -7;
    char host[sizeof(kHostHeader) + kHostNameSize];
    std::snprintf(host, sizeof(host), "%s%s", kHostHeader, m_hostName);
    const char* const headers[] = {"Accept: */*", "Content-Type: application/json", host};
    return SendHeaders(headers, m_hostName[0] ? 3 : 2);
}

int CJIRAAPI::SendHeaders(const char* const* headers, int count) {
    for (int i = 0; i < count; ++i) {
        curl_slist* appended = curl_slist_append(m_headers, headers[i]);
        if (!appended) {
            curl_slist_free_all(m_headers);
            m_headers = nullptr;
            return -4;
        }
        m_headers = appended;
    }
    return CManagementSystemAPI::SetHeaders();
}

int CJIRAAPI::SetBuiltBody(const std::function<void(CJsonWriter&)>& write) {
    if (m_body.Get()) return -7;
    CJsonWriter counter(nullptr, 0);
    write(counter);
    const size_t length = counter.Length();
    if (length > static_cast<size_t>(kBodySize)) return -5;
    const int allocated = m_body.Allocate(static_cast<int>(length) + 5, true);
    if (allocated != 1) return allocated;
    CJsonWriter writer(m_body.Get(), length + 5);
    write(writer);
    const int checked = CheckBody(writer);
    if (checked != 1) {
        m_body.Release();
        return checked;
    }
    return CManagementSystemAPI::SetBody();
}

int CJIRAAPI::CheckBody(const CJsonWriter& writer) {
    if (!writer.Valid()) {
        SetErrorText(kNotUtf8Text);
        return kNotUtf8;
    }
    return writer.Fits() ? 1 : -5;
}

int CJIRAAPI::SetAddress(const char* path, const char* key, const char* tail) {
    m_url = nullptr;
    if (!m_serverUrl[0]) return -1;
    if (!key) {
        const int written = std::snprintf(m_urlBuffer, sizeof(m_urlBuffer), "%s%s", m_serverUrl, path);
        if (written < 0 || written > kUrlBufferSize) {
            m_urlBuffer[0] = '\0';
            return -5;
        }
        m_url = m_urlBuffer;
    } else {
        if (!tail) tail = "";
        const size_t size = std::strlen(m_serverUrl) + std::strlen(path) + std::strlen(key) + std::strlen(tail);
        const int allocated = m_ownedUrl.Allocate(static_cast<int>(size), true);
        if (allocated != 1) return allocated;
        const int written = std::snprintf(m_ownedUrl.Get(), size + 1, "%s%s%s%s", m_serverUrl, path, key, tail);
        if (written < 0 || static_cast<size_t>(written) > size) return -5;
        m_url = m_ownedUrl.Get();
    }
    return CManagementSystemAPI::SetUrl();
}
