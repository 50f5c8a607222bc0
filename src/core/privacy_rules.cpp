#include "core/privacy_rules.h"

namespace {
constexpr size_t kNone = std::string_view::npos;

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Whole-text match with '*' for any run, backtracking only to the last '*':
// linear for the patterns people write, never worse than their product.
bool MatchesPattern(std::string_view pattern, std::string_view text) {
    size_t p = 0, t = 0, star = kNone, resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = t;
        } else if (p < pattern.size() && pattern[p] == LowerAscii(text[t])) {
            ++p;
            ++t;
        } else if (star != kNone) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

// The address after its scheme ("https://"), when it has one.
std::string_view WithoutScheme(std::string_view url) {
    const size_t scheme = url.find("://");
    if (scheme != kNone && scheme < url.find_first_of("/?#")) url.remove_prefix(scheme + 3);
    return url;
}

// The host of an address: no scheme, account, port, path, query or fragment.
std::string_view HostOf(std::string_view url) {
    std::string_view host = WithoutScheme(url);
    host = host.substr(0, host.find_first_of("/?#"));
    const size_t account = host.rfind('@');
    if (account != kNone) host.remove_prefix(account + 1);
    const size_t port = host.rfind(':');
    if (port != kNone && host.find(']', port) == kNone) host = host.substr(0, port);
    return host;
}

bool AnyMatches(const auto& patterns, std::string_view text, std::string_view whole) {
    for (const auto& pattern : patterns)
        if (MatchesPattern(pattern.text, pattern.wholeAddress ? whole : text)) return true;
    return false;
}

// A site pattern without '/' names a host and every host below it.
bool AnySiteMatches(const auto& patterns, std::string_view url) {
    const std::string_view address = WithoutScheme(url);
    for (const auto& pattern : patterns) {
        if (pattern.wholeAddress) {
            if (MatchesPattern(pattern.text, address)) return true;
            continue;
        }
        for (std::string_view host = HostOf(url);;) {
            if (MatchesPattern(pattern.text, host)) return true;
            const size_t dot = host.find('.');
            if (dot == kNone) break;
            host.remove_prefix(dot + 1);
        }
    }
    return false;
}
}  // namespace

void CPrivacyRules::SetList(PrivacySubject subject, PrivacyLevel level, const char* list) {
    if (level == PrivacyLevel::None) return;
    Patterns& patterns = m_patterns[static_cast<int>(subject)][static_cast<int>(level) - 1];
    patterns.clear();
    std::string_view rest = list ? list : "";
    while (!rest.empty()) {
        const size_t end = rest.find(';');
        std::string_view item = rest.substr(0, end);
        rest = end == kNone ? std::string_view() : rest.substr(end + 1);
        while (!item.empty() && IsBlank(item.front()))
            item.remove_prefix(1);
        while (!item.empty() && IsBlank(item.back()))
            item.remove_suffix(1);
        if (item.empty()) continue;
        CPattern pattern{{}, false};
        for (const char c : item) {
            if (c == '*' && !pattern.text.empty() && pattern.text.back() == '*') continue;
            pattern.text += LowerAscii(c);
        }
        pattern.wholeAddress = pattern.text.find('/') != std::string::npos ||
                               (subject == PrivacySubject::Program && pattern.text.find('\\') != std::string::npos);
        patterns.push_back(std::move(pattern));
    }
}

int CPrivacyRules::Count(PrivacySubject subject, PrivacyLevel level) const {
    return level == PrivacyLevel::None ? 0 : static_cast<int>(Of(subject, level).size());
}

bool CPrivacyRules::Empty() const {
    for (const auto& subject : m_patterns)
        for (const Patterns& patterns : subject)
            if (!patterns.empty()) return false;
    return true;
}

bool CPrivacyRules::Matches(PrivacyLevel level, const CActivity& activity) const {
    const char* url = activity.GetURL();
    return AnyMatches(Of(PrivacySubject::Program, level), activity.GetFileName(), activity.GetFullPath()) ||
           (url[0] != '\0' && AnySiteMatches(Of(PrivacySubject::Site, level), url)) ||
           AnyMatches(Of(PrivacySubject::Title, level), activity.GetTitle(), activity.GetTitle());
}

PrivacyLevel CPrivacyRules::LevelOf(const CActivity& activity, bool addressUnknown) const {
    if (Matches(PrivacyLevel::Nothing, activity)) return PrivacyLevel::Nothing;
    if (Matches(PrivacyLevel::Details, activity)) return PrivacyLevel::Details;
    const bool sitePatterns =
        Count(PrivacySubject::Site, PrivacyLevel::Details) + Count(PrivacySubject::Site, PrivacyLevel::Nothing) > 0;
    if (addressUnknown && activity.GetURL()[0] == '\0' && sitePatterns) return PrivacyLevel::Details;
    return PrivacyLevel::None;
}

PrivacyLevel CPrivacyRules::Apply(CActivity& activity, bool addressUnknown) const {
    const PrivacyLevel level = LevelOf(activity, addressUnknown);
    if (level == PrivacyLevel::Nothing)
        activity.HidePrivateProgram();
    else if (level == PrivacyLevel::Details)
        activity.HidePrivateDetails();
    return level;
}
