#include "teamstore/team_store_settings.h"

#include <libpq-fe.h>

#include <map>

#include "core/registry_value.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "platform/user_secret.h"

const char kTeamStoreKey[] = "SOFTWARE\\Belvane\\Orvanta\\Team Store";

namespace {
constexpr int kTextChars = 4096;

std::string ReadText(const char* name) {
    CRegistryValue value;
    if (value.Prepare(REGISTRY_KIND_STRING, kTextChars) != 1) return "";
    if (ReadRegistryValue(REGISTRY_LOCAL_MACHINE, kTeamStoreKey, name, value) != 1) return "";
    return NarrowToUtf8(value.Text());
}

// The options of a connection string; false when libpq cannot read it.
bool ParseOptions(const std::string& conninfo, std::map<std::string, std::string>& options) {
    char* error = nullptr;
    PQconninfoOption* parsed = PQconninfoParse(conninfo.c_str(), &error);
    // libpq's text may quote the string back; it is not passed on.
    PQfreemem(error);
    if (!parsed) return false;
    for (const PQconninfoOption* option = parsed; option->keyword; ++option)
        if (option->val) options[option->keyword] = option->val;
    PQconninfoFree(parsed);
    return true;
}

// A connection string of `options`, values quoted.
std::string Compose(const std::map<std::string, std::string>& options) {
    std::string conninfo;
    for (const auto& [keyword, value] : options) {
        if (!conninfo.empty()) conninfo += ' ';
        conninfo += keyword + "='";
        for (char c : value) {
            if (c == '\'' || c == '\\') conninfo += '\\';
            conninfo += c;
        }
        conninfo += '\'';
    }
    return conninfo;
}

bool SameServer(const std::map<std::string, std::string>& a, const std::map<std::string, std::string>& b) {
    for (const char* keyword : {"host", "hostaddr", "port", "dbname", "user"}) {
        const auto x = a.find(keyword), y = b.find(keyword);
        const std::string left = x == a.end() ? "" : x->second, right = y == b.end() ? "" : y->second;
        if (left != right) return false;
    }
    return true;
}
}  // namespace

CTeamStoreSettings ReadTeamStoreSettings() {
    CTeamStoreSettings settings;
    settings.connection = ReadText("Connection");
    if (ReadUserSecret(kTeamStoreKey, "Password", settings.password, settings.notice) == -1)
        settings.notice =
            "the \"Password\" setting of this user cannot be read (it was protected by another user or "
            "on another computer): set it again";
    settings.password = NarrowToUtf8(settings.password.c_str());
    settings.person = ReadText("Person");
    CRegistryValue interval;
    if (interval.Prepare(REGISTRY_KIND_NUMBER) == 1 &&
        ReadRegistryValue(REGISTRY_LOCAL_MACHINE, kTeamStoreKey, "Push Interval", interval) == 1)
        settings.pushIntervalMinutes = static_cast<int>(interval.Number());
    const std::pair<const char*, unsigned> kinds[] = {{"Share Programs", kSharePrograms},
                                                      {"Share Sites", kShareSites},
                                                      {"Share Titles", kShareTitles},
                                                      {"Share Addresses", kShareAddresses},
                                                      {"Share Accounts", kShareAccounts}};
    for (const auto& [name, bit] : kinds) {
        CRegistryValue on;
        if (on.Prepare(REGISTRY_KIND_NUMBER) == 1 &&
            ReadRegistryValue(REGISTRY_LOCAL_MACHINE, kTeamStoreKey, name, on) == 1 && on.Number() == 1)
            settings.shared |= bit;
    }
    return settings;
}

std::string DescribeTeamStoreSettings() { return Registry().DescribeKey(REGISTRY_LOCAL_MACHINE, kTeamStoreKey); }

int ResolveTeamStoreTarget(const std::string& given, const CTeamStoreSettings& settings, CTeamStoreTarget& target,
                           std::string& error) {
    target = CTeamStoreTarget();
    std::map<std::string, std::string> fromSettings, options;
    const bool settingsRead = !settings.connection.empty() && ParseOptions(settings.connection, fromSettings);
    if (given.empty()) {
        if (settings.connection.empty()) {
            error = "no team store is set: give --server CONN, or \"Connection\" in " + DescribeTeamStoreSettings();
            return -1;
        }
        if (!settingsRead) {
            error = "the \"Connection\" setting in " + DescribeTeamStoreSettings() +
                    " is not a connection string (key=value pairs or a postgresql:// address)";
            return -3;
        }
        options = fromSettings;
    } else {
        if (!ParseOptions(given, options)) {
            error = "--server takes a connection string (key=value pairs or a postgresql:// address)";
            return -3;
        }
        if (options.count("password")) {
            error =
                "a password does not belong on a command line: use PGPASSWORD, a password file (.pgpass) or "
                "the \"Password\" setting";
            return -2;
        }
    }
    // A password written into the settings' connection string counts as the
    // settings' password; it travels on its own.
    std::string password = settings.password;
    if (const auto found = fromSettings.find("password"); found != fromSettings.end() && password.empty())
        password = found->second;
    fromSettings.erase("password");
    options.erase("password");
    if (settingsRead && SameServer(options, fromSettings)) target.password = password;
    target.conninfo = Compose(options);
    return 1;
}
