// CTimeManager: filling an empty catalogue on a first start. Every step is
// written as it comes; a failed step ends the seeding, and what was written
// stays (a later start finds projects and seeds nothing).
#include "core/first_start_catalogue.h"
#include "core/time_manager.h"
#include "platform/clock.h"
#include "sensing/time_stamp.h"

namespace {
constexpr char kProcessFirstStart[] = "CTimeManager::ProcessFirstStart";
constexpr uint32_t kStepPauseMs = 10;

CDBProject BuildProject(const CSeedProject& seed) {
    return CDBProject(0, seed.name, seed.description, NowTimeStamp(), 0, 0, 0, "", 0, 0);
}

CDBTask BuildTask(const CSeedTask& seed, int32_t projectId, int32_t isDefault) {
    return CDBTask(0, seed.name, projectId, 0, seed.description, NowTimeStamp(), 0, 0, 0, 0, "", "", isDefault, 0, 0);
}

CDBRule BuildRule(int32_t taskId, int32_t projectId, const CSeedRule& rule, int32_t appType) {
    return CDBRule(0, 0, 1, 0, taskId, projectId, rule.title, 0, rule.url, rule.path, 0, 0, appType);
}

}  // namespace

int CTimeManager::ProcessFirstStart() {
    CBaseStorage<CDBProject> projects;
    CBaseStorage<CDBTask> tasks;
    CDBProject project;
    CDBTask task;

    // The error line of a failed step; the seeding then ends with 0. Every
    // format names the operation, the place and the failed step's result.
    auto fail = [this](int place, const char* format, int result) {
        LogError(format, kProcessFirstStart, place, result);
        Clock().Sleep(kStepPauseMs);
        return 0;
    };
    // The same for a read-back that found an empty table.
    auto failEmpty = [this](int place, bool projectsTable) {
        if (projectsTable)
            LogError("%s (%i) No projects!", kProcessFirstStart, place);
        else
            LogError("%s (%i) No tasks", kProcessFirstStart, place);
        Clock().Sleep(kStepPauseMs);
        return 0;
    };
    // Adds `seed` as a project, then reads the projects back: the newest one
    // (`last`) or the first becomes `project`, which thus carries its id.
    auto addAndReadBack = [&](const CSeedProject& seed, int place, bool last) {
        project = BuildProject(seed);
        int result = m_dbManager.AddProject(project);
        if (result != 1) return fail(place, seed.failureFormat, result);
        projects.Clear();
        result = m_dbManager.GetProjects(projects);
        if (result != 1) return fail(place + 1, "%s (%i) GetProjects failed with %i", result);
        if (projects.Count() == 0) return failEmpty(place + 2, true);
        result = projects.Pop(last ? projects.Count() - 1 : 0, project);
        if (result != 1) return fail(place + 3, "%s (%i) PopProject failed %i", result);
        return 1;
    };
    auto addRule = [&](int32_t taskId, const CSeedRule& rule, int32_t appType) {
        const int result = m_dbManager.AddRule(BuildRule(taskId, project.GetId(), rule, appType));
        return result == 1 ? 1 : fail(20, "%s (%i) Add Rule failed with %i", result);
    };

    int result = m_dbManager.GetProjects(projects);
    if (result != 1) return fail(1, "%s (%i) GetProjects failed with %i", result);
    if (projects.Count() > 0) return 1;
    Clock().Sleep(kStepPauseMs);

    // The default project and its task, the one marked as default.
    if (addAndReadBack(DefaultSeedProject(), 2, false) != 1) return 0;
    task = BuildTask(DefaultSeedTask(), project.GetId(), 1);
    result = m_dbManager.AddTask(task);
    if (result != 1) return fail(10, "%s (%i) Add Default Task failed with %i", result);
    result = m_dbManager.GetTasks(tasks);
    if (result != 1) return fail(11, "%s (%i) GetTasks failed with %i", result);
    if (tasks.Count() == 0) return failEmpty(12, false);
    result = tasks.Pop(tasks.Count() - 1, task);
    if (result != 1) return fail(13, "%s (%i) PopTask failed %i", result);
    Clock().Sleep(kStepPauseMs);

    for (const CSeedProject& seed : SeedProjects()) {
        if (addAndReadBack(seed, 30, true) != 1) return 0;
        if (seed.specialRuleAppType != 0) {
            if (addRule(0, CSeedRule{}, seed.specialRuleAppType) != 1) return 0;
            continue;
        }
        for (const CSeedTask& seedTask : seed.tasks) {
            task = BuildTask(seedTask, project.GetId(), 0);
            result = m_dbManager.AddTask(task);
            if (result != 1) return fail(40, "%s (%i) Add Task failed with %i", result);
            Clock().Sleep(kStepPauseMs);
            for (const auto& rules : {seedTask.rules, PlatformSeedRules(seed, seedTask)})
                for (const CSeedRule& rule : rules)
                    if (addRule(task.GetId(), rule, kCategoryRuleAppType) != 1) return 0;
        }
    }

    const CSeedProject& last = LastSeedProject();
    result = m_dbManager.AddProject(BuildProject(last));
    if (result != 1) return fail(50, last.failureFormat, result);
    return 1;
}
