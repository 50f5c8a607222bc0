#include "pms/jira_project_parser.h"

#include <nlohmann/json.hpp>

#include "pms/json_members.h"

int CJIRAProjectParser::ParseFile(const char* path, CBaseStorage<CDBProject>& projects) {
    CAutoJsonPtr document;
    const int loaded = LoadFile(path, document);
    if (loaded != 1) return loaded;
    const nlohmann::json& root = *document.Get();
    if (!root.is_array()) return -200;

    for (const nlohmann::json& element : root) {
        if (!element.is_object()) return -200;
        CDBProject project;
        project.SetExternalId(TextNumberMember(element, "id"));
        char name[CDBProject::kNameSize];
        NarrowTextMember(element, "name", name, sizeof(name));
        project.SetName(name);
        project.SetExternalKey(TextMember(element, "key"));
        if (!project.HasData()) continue;
        project.SetExternalPMSType(kJiraPMSType);
        if (projects.Push(project) != 1) return -4;
    }
    return 1;
}
