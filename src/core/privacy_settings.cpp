#include "core/privacy_settings.h"

#include "core/registry_value.h"

namespace {
constexpr int kListChars = 65535;

struct CListValue {
    PrivacySubject subject;
    PrivacyLevel level;
    const char* name;
};
constexpr CListValue kLists[] = {
    {PrivacySubject::Program, PrivacyLevel::Details, "Programs details"},
    {PrivacySubject::Site, PrivacyLevel::Details, "Sites details"},
    {PrivacySubject::Title, PrivacyLevel::Details, "Titles details"},
    {PrivacySubject::Program, PrivacyLevel::Nothing, "Programs nothing"},
    {PrivacySubject::Site, PrivacyLevel::Nothing, "Sites nothing"},
    {PrivacySubject::Title, PrivacyLevel::Nothing, "Titles nothing"},
};
}  // namespace

int LoadPrivacySettings(CPrivacyRules& rules) {
    CRegistryValue text;
    for (const CListValue& list : kLists) {
        const int prepared = text.Prepare(REGISTRY_KIND_STRING, kListChars);
        if (prepared != 1) return prepared;
        ReadRegistryValue(REGISTRY_LOCAL_MACHINE, kPrivacyKey, list.name, text);
        rules.SetList(list.subject, list.level, text.Text());
    }
    return 1;
}
