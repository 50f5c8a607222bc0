#pragma once
// The common ground of the JIRA requests: the connector's working folder
// (where the cookie file "jac.txt" and the response files go), the user's
// credentials, and the building blocks from which each request class makes its
// steps: the session exchange, the status check, the response file, the JSON
// headers, a body built from parameters and the REST address.
//
// Results and thread safety: those of CManagementSystemAPI. Two requests that
// keep the session share the cookie file and must not run at the same time.

#include <functional>

#include "log/working_directory.h"
#include "pms/json_writer.h"
#include "pms/management_system_api.h"

class CJIRAAPI : public CManagementSystemAPI, public CWorkingDirectory {
public:
    static constexpr int kUserNameSize = 128;
    static constexpr int kPasswordSize = 128;

    CJIRAAPI();
    ~CJIRAAPI() override = default;

    // The JIRA user and password (at most 128 characters each; the password may
    // be empty). 1; -1 no user; -5 a text too long (never cut).
    int SetUser(const char* userName, const char* password);
    // Sends the user and password as HTTP basic authentication, for the
    // requests that do not keep a session. The result of SetBasicCredential.
    int UseBasicAuth();

    // The requests that do not override it send no headers but the "Host: "
    // header when a host name is set, so that the session cookie, which
    // libcurl files under that host, goes with every request of the session.
    int SetHeaders() override;

protected:
    // Runs the exchange with the session cookie (see UseSessionCookie) and
    // requires status 200 ("Host has not accepted request" and -50 otherwise).
    int ExecuteInSession();
    // Runs the exchange with the session cookie, or with HTTP basic
    // authentication after UseBasicAuth; -50 unless the server answered
    // `expectedStatus`.
    int ExecuteExpecting(int expectedStatus);
    // Runs the transfer into `fileName` of the working folder (created when
    // missing, not its parents), replaced on every exchange (also when it
    // fails after the file was opened). -7 a response file is open; -8 no
    // working folder; -4 no memory; 0 the file cannot be opened (the error
    // text names it) or the transfer failed; kTimedOut.
    int PerformInto(const char* fileName);
    // Headers "Accept: */*", "Content-Type: application/json" and, when a host
    // name is set, "Host: " with it. -8 without a handle; -7 already built;
    // -4 no memory; else the base step's result.
    int SetJsonHeaders();
    // Builds the body with `write` into an owned buffer sized by a first,
    // counting run. -7 a body is set already (it stays); -5 longer than 2048
    // characters; kNotUtf8 (with its error text); -4 no memory; else the base
    // step's result.
    int SetBuiltBody(const std::function<void(CJsonWriter&)>& write);
    // Whether a written body may be sent: 1; kNotUtf8 (and its error text);
    // -5 it did not fit.
    int CheckBody(const CJsonWriter& writer);
    // The address: the server address, `path`, then `key` and `tail` when a key
    // is given (a key goes into an owned buffer sized from the pieces, the
    // fixed paths into m_urlBuffer). -1 no server address; -4 no memory;
    // -5 too long; else the base step's result.
    int SetAddress(const char* path, const char* key = nullptr, const char* tail = nullptr);

    char m_userName[kUserNameSize + 1];
    char m_password[kPasswordSize + 1];

private:
    // The session cookie for this exchange: the cookie file is the working
    // folder's "jac.txt", the folder is created when missing (not its
    // parents) and the file made readable by its owner only. 1; -8 no
    // working folder; -5 the cookie path is longer than 260 characters; 0 the
    // cookie file cannot be made (the error text names it).
    int UseSessionCookie();
    // Creates the working folder when missing. Its path, or nullptr without one.
    const char* PrepareFolder();
    // Appends `count` headers to the header list and hands it to libcurl.
    int SendHeaders(const char* const* headers, int count);

    // Joins a file name to the working folder.
    CWorkingDirectory m_filePath;
};
