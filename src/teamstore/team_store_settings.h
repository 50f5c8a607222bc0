#pragma once
// The team store's settings and connection: the values of the settings key
// "SOFTWARE\Belvane\Orvanta\Team Store" (the registry on Windows, the .reg
// file on Linux; read only, like every setting of the product) and the
// connection string a command line may give instead.
//
//   "Connection"     string   libpq connection string: "host=... dbname=..." or postgresql://...
//   "Password"       the password, when neither PGPASSWORD nor a password file gives it: kept
//                    per user (see platform/user_secret.h: on Windows protected in the user's
//                    own key, moved there from the machine's key on first read)
//   "Person"         string   whose rows this computer sends (default: the account's name)
//   "Push Interval"  number   minutes between the pushes of `qlosync watch` (default 5)
//   "Share Programs", "Share Sites", "Share Titles", "Share Addresses", "Share Accounts"
//                    number   1: the push sends that kind of detail of what was on the screen
//                    (the program and its names; the site and its address; the window title
//                    and the conversation; the page's address; the user account and its name);
//                    anything else, or missing: it does not (the default). The time and its
//                    categories (person, computer, day, start, duration, type, project, task)
//                    always go.
//
// A password never belongs on a command line: a connection string given
// there with one is refused. The settings' password goes only to the server
// the settings name (same host, address, port, database and user).
// Texts are UTF-8.

#include <string>

extern const char kTeamStoreKey[];

// The kinds of detail a push may share, as bits.
enum : unsigned {
    kSharePrograms = 1,
    kShareSites = 2,
    kShareTitles = 4,
    kShareAddresses = 8,
    kShareAccounts = 16,
    kShareAll = 31,
};

struct CTeamStoreSettings {
    std::string connection;
    std::string password;
    std::string person;
    int pushIntervalMinutes = 0;  // 0: not set
    unsigned shared = 0;          // the kShare... bits set to 1
    std::string notice;           // what reading the password has to tell the user (a move); may be empty
};

// Reads what is there; missing values stay empty or 0.
CTeamStoreSettings ReadTeamStoreSettings();
// Where the settings live, for messages.
std::string DescribeTeamStoreSettings();

// What to connect with: `given` (a command line's, may be empty) or else
// the settings' connection string, without its password, and the password.
struct CTeamStoreTarget {
    std::string conninfo;
    std::string password;
};
// 1; -1 no connection string at all; -2 `given` holds a password; -3 a
// connection string that libpq cannot read (`error` says which: the given
// one or the settings').
int ResolveTeamStoreTarget(const std::string& given, const CTeamStoreSettings& settings, CTeamStoreTarget& target,
                           std::string& error);
