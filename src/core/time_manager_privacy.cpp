// CTimeManager: the user's private programs, sites and titles, read with the
// rules and applied to every capture before anything else sees it, so that
// what they hide reaches no row, checkpoint or log line.
#include <utility>

#include "core/privacy_settings.h"
#include "core/time_manager.h"

namespace {
constexpr char kLoadPrivacy[] = "CTimeManager::LoadPrivacy";
}  // namespace

int CTimeManager::LoadPrivacy() {
    CPrivacyRules fresh;
    const int read = LoadPrivacySettings(fresh);
    if (read != 1) {
        LogError("%s (%i) LoadPrivacySettings failed with %i: the private lists stay as they were", kLoadPrivacy, 1,
                 read);
        return read;
    }
    // Counts only: the patterns themselves say what is private.
    auto count = [&fresh](PrivacySubject subject, PrivacyLevel level) { return fresh.Count(subject, level); };
    LogInfo(1,
            "%s private patterns: details %i programs, %i sites, %i titles; nothing %i programs, %i sites, %i titles",
            kLoadPrivacy, count(PrivacySubject::Program, PrivacyLevel::Details),
            count(PrivacySubject::Site, PrivacyLevel::Details), count(PrivacySubject::Title, PrivacyLevel::Details),
            count(PrivacySubject::Program, PrivacyLevel::Nothing), count(PrivacySubject::Site, PrivacyLevel::Nothing),
            count(PrivacySubject::Title, PrivacyLevel::Nothing));
    std::lock_guard<std::mutex> guard(m_privacyLock);
    m_privacy = std::move(fresh);
    return 1;
}

void CTimeManager::KeepPrivate(CWinActivity& sample) {
    std::lock_guard<std::mutex> guard(m_privacyLock);
    if (m_privacy.Empty()) return;
    // A browser that gave no address may show a private site all the same.
    m_privacy.Apply(sample, sample.ShowsBrowser() && sample.GetURL()[0] == '\0');
}
