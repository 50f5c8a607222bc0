#include "qlosync/sync_state.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <system_error>

#include "platform/path.h"
#include "platform/path_exists.h"

namespace {
constexpr char kIdentityFile[] = "qlosync.id";
constexpr char kStateFile[] = "qlosync.state";
constexpr char kLockFile[] = "qlosync.lock";
constexpr char kStateHeader[] = "qlosync state 1";

bool IsIdentity(const std::string& text) {
    if (text.size() != 32) return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

std::string MakeIdentity() {
    std::random_device device;
    // The clock is mixed in, should the system's random source be a weak one.
    std::seed_seq seed{device(), device(), device(), device(),
                       static_cast<unsigned>(std::chrono::high_resolution_clock::now().time_since_epoch().count())};
    std::mt19937_64 random(seed);
    char text[40];
    std::snprintf(text, sizeof text, "%016llx%016llx", static_cast<unsigned long long>(random()),
                  static_cast<unsigned long long>(random()));
    return text;
}

// Writes `text` to a new file beside `path` and renames it over `path`.
bool ReplaceFile(const std::string& path, const std::string& text) {
    const std::string fresh = path + ".new";
    {
        std::ofstream out(Utf8Path(fresh), std::ios::binary | std::ios::trunc);
        out << text;
        out.flush();
        if (!out) return false;
    }
    std::error_code error;
    std::filesystem::rename(Utf8Path(fresh), Utf8Path(path), error);
    return !error;
}

bool ReadFile(const std::string& path, std::string& text) {
    std::ifstream in(Utf8Path(path), std::ios::binary);
    if (!in) return false;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    text = bytes.str();
    return true;
}

// The rest of `line` after "<key> ".
bool After(const std::string& line, const char* key, std::string& rest) {
    const std::string prefix = std::string(key) + ' ';
    if (line.compare(0, prefix.size(), prefix) != 0) return false;
    rest = line.substr(prefix.size());
    return true;
}
}  // namespace

CSyncFiles::CSyncFiles(std::string folder) : m_folder(std::move(folder)) {}

std::string CSyncFiles::PathOf(const char* name) const { return m_folder + kPathSeparator + name; }

int CSyncFiles::LoadState(CSyncState& state) const {
    state = CSyncState();
    std::string text;
    if (!ReadFile(PathOf(kStateFile), text)) return Utf8PathExists(PathOf(kStateFile)) ? -1 : 0;
    std::istringstream lines(text);
    std::string line, rest;
    if (!std::getline(lines, line) || line != kStateHeader) return -1;
    bool complete = false;
    while (std::getline(lines, line)) {
        if (line == "end") {
            complete = true;
            break;
        }
        if (After(line, "identity", rest)) {
            state.identity = rest;
        } else if (After(line, "store", rest)) {
            state.storeId = rest;
        } else if (After(line, "names", rest)) {
            state.namesHash = std::strtoull(rest.c_str(), nullptr, 16);
        } else if (After(line, "month", rest)) {
            int month = 0;
            long long id = 0;
            if (std::sscanf(rest.c_str(), "%d %lld", &month, &id) != 2) return -1;
            state.marks[month] = id;
        } else if (After(line, "attempt", rest)) {
            long long when = 0, rows = 0;
            int result = 0, used = 0;
            if (std::sscanf(rest.c_str(), "%lld %d %lld %n", &when, &result, &rows, &used) < 3) return -1;
            state.lastAttempt = when;
            state.lastResult = result;
            state.lastRows = rows;
            state.lastMessage = rest.substr(static_cast<size_t>(used));
        } else if (After(line, "success", rest)) {
            long long when = 0, rows = 0;
            if (std::sscanf(rest.c_str(), "%lld %lld", &when, &rows) != 2) return -1;
            state.lastSuccess = when;
            state.lastSuccessRows = rows;
        }
    }
    if (!complete) {
        state = CSyncState();
        return -1;
    }
    return 1;
}

int CSyncFiles::SaveState(const CSyncState& state) const {
    std::ostringstream text;
    text << kStateHeader << "\nidentity " << state.identity << "\nstore " << state.storeId << "\nnames " << std::hex
         << state.namesHash << std::dec << '\n';
    for (const auto& [month, id] : state.marks)
        text << "month " << month << ' ' << id << '\n';
    std::string message = state.lastMessage;
    for (char& c : message)
        if (c == '\n' || c == '\r') c = ' ';
    text << "attempt " << state.lastAttempt << ' ' << state.lastResult << ' ' << state.lastRows << ' ' << message
         << "\nsuccess " << state.lastSuccess << ' ' << state.lastSuccessRows << "\nend\n";
    return ReplaceFile(PathOf(kStateFile), text.str()) ? 1 : 0;
}

int CSyncFiles::Identity(const CSyncState& state, std::string& identity, std::string& error) const {
    const std::string path = PathOf(kIdentityFile);
    std::string text;
    if (ReadFile(path, text)) {
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.pop_back();
        if (!IsIdentity(text)) {
            error = path +
                    " does not hold this computer's identity on the team store; put back the file it held "
                    "(or remove it to be counted as a new computer, whose rows all go to the store again)";
            return 0;
        }
        identity = text;
        return 1;
    }
    if (Utf8PathExists(path)) {
        error = path + " cannot be read";
        return 0;
    }
    identity = IsIdentity(state.identity) ? state.identity : MakeIdentity();
    if (!ReplaceFile(path, identity + "\n")) {
        error = path + " cannot be written";
        return 0;
    }
    return 1;
}

bool CSyncFiles::Lock() { return m_lock.OpenAlways(PathOf(kLockFile).c_str()); }
