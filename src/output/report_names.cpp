#include "output/report_names.h"

#include "output/report_text.h"

namespace {
std::string Unknown(int32_t id) { return id == 0 ? "(none)" : Concat("#", std::to_string(id)); }

template <class T, class Name>
std::string Named(const T* row, int32_t id, Name name) {
    if (!row) return Unknown(id);
    const std::string text = NarrowToUtf8(name(*row));
    return text.empty() ? Unknown(id) : text;
}
}  // namespace

const char* GroupingWord(ReportGrouping by) {
    static const char* const kWords[] = {"type", "app", "user", "site", "project", "task"};
    return kWords[static_cast<int>(by)];
}

const char* GroupingHeading(ReportGrouping by) {
    static const char* const kHeadings[] = {"Type", "Program", "User", "Site", "Project", "Task"};
    return kHeadings[static_cast<int>(by)];
}

std::string ActivityTypeName(int32_t type) {
    static const char* const kNames[] = {"None", "Active", "Idle", "Locked", "Offline"};
    return type >= 0 && type <= 4 ? kNames[type] : Concat("Type ", std::to_string(type));
}

std::string GroupName(const CCatalogue& catalogue, ReportGrouping by, int32_t id) {
    switch (by) {
        case ReportGrouping::ActivityType:
            return ActivityTypeName(id);
        case ReportGrouping::App:
            return Named(catalogue.FindApp(id), id, [](const CDBApp& app) { return app.GetFileName(); });
        case ReportGrouping::Site:
            return Named(catalogue.FindSite(id), id, [](const CDBSite& site) { return site.GetURL(); });
        case ReportGrouping::Project:
            return Named(catalogue.FindProject(id), id, [](const CDBProject& project) { return project.GetName(); });
        case ReportGrouping::Task: {
            const CDBTask* task = catalogue.FindTask(id);
            return ProjectTaskName(catalogue, task ? task->GetProjectId() : 0, id);
        }
        case ReportGrouping::User: {
            const CDBUser* user = catalogue.FindUser(id);
            if (!user) return Unknown(id);
            return Concat(NarrowToUtf8(user->GetDomain()), "\\", NarrowToUtf8(user->GetName()));
        }
    }
    return Unknown(id);
}

std::string ProjectTaskName(const CCatalogue& catalogue, int32_t projectId, int32_t taskId) {
    const std::string project = GroupName(catalogue, ReportGrouping::Project, projectId);
    if (taskId == 0) return project;
    return project + " / " + TaskName(catalogue, taskId);
}

std::string TaskName(const CCatalogue& catalogue, int32_t taskId) {
    return Named(catalogue.FindTask(taskId), taskId, [](const CDBTask& found) { return found.GetName(); });
}
