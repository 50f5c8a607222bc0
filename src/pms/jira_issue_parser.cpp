#include "pms/jira_issue_parser.h"

#include <nlohmann/json.hpp>

#include "pms/json_members.h"

int CJIRAIssueParser::ParseFile(const char* path, CBaseStorage<CDBTask>& tasks) {
    m_startAt = m_maxResults = m_total = m_issueCount = 0;
    CAutoJsonPtr document;
    const int loaded = LoadFile(path, document);
    if (loaded != 1) return loaded;
    const nlohmann::json& root = *document.Get();
    if (!root.is_object()) return -200;
    m_startAt = NumberMember(root, "startAt");
    m_maxResults = NumberMember(root, "maxResults");
    m_total = NumberMember(root, "total");
    const nlohmann::json* issues = ArrayMember(root, "issues");
    if (!issues) return -200;
    m_issueCount = static_cast<int>(issues->size());

    for (const nlohmann::json& issue : *issues) {
        if (!issue.is_object()) return -200;
        CDBTask task;
        task.SetExternalId(TextNumberMember(issue, "id"));
        task.SetExternalKey(TextMember(issue, "key"));
        const nlohmann::json* fields = ObjectMember(issue, "fields");
        if (!fields) return -200;
        char name[CDBTask::kNameSize];
        NarrowTextMember(*fields, "summary", name, sizeof(name));
        task.SetName(name);
        char description[CDBTask::kDescriptionSize];
        NarrowTextMember(*fields, "description", description, sizeof(description));
        task.SetDescription(description);
        const nlohmann::json* project = ObjectMember(*fields, "project");
        if (!project) return -200;
        task.SetExternalProjectId(TextNumberMember(*project, "id"));
        const nlohmann::json* status = ObjectMember(*fields, "status");
        if (!status) return -200;
        task.SetExternalStatusName(TextMember(*status, "name"));
        task.SetExternalStatus(TextNumberMember(*status, "id"));
        if (!task.HasData()) continue;
        task.SetExternalPMSType(kJiraPMSType);
        if (tasks.Push(task) != 1) return -4;
    }
    return 1;
}
