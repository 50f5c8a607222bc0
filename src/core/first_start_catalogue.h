#pragma once
// The catalogue a first start writes into an empty func.db: a default
// project with the default task, three special projects (Offline, Locked,
// Idle) whose one rule each picks activities of that type, ten category
// projects with their tasks (many tied by rules to well-known programs and
// web sites) and a last, empty project. 15 projects, 58 tasks, 52 rules.
//
// A rule either names a program (its file name, tested against the path and
// file name of the activity's program; some also words of the window title)
// or a web address (tested against the activity's address). Category rules
// pick Active activities with priority 64; the special rules have priority
// 128.
//
// The catalogue is the same on every target; a target may add rules to its
// tasks (PlatformSeedRules): the Linux one gives the common Linux
// counterparts of the seeded programs the same project and task. Windows
// adds none.

#include <cstdint>
#include <span>

struct CSeedRule {
    const char* path;   // a program, or nullptr
    const char* url;    // a web address, or nullptr
    const char* title;  // words of the window title, or nullptr
};

constexpr CSeedRule Program(const char* fileName) { return {fileName, nullptr, nullptr}; }
constexpr CSeedRule Site(const char* address) { return {nullptr, address, nullptr}; }
// A program that shows several programs' windows (an office suite): the
// window title tells which one is in front.
constexpr CSeedRule ProgramWindow(const char* fileName, const char* titleWords) {
    return {fileName, nullptr, titleWords};
}

struct CSeedTask {
    const char* name;
    const char* description;
    std::span<const CSeedRule> rules;
};

struct CSeedProject {
    const char* name;
    const char* description;
    // The error line when adding the project fails ("%s (%i) ... %i").
    const char* failureFormat;
    // A special project: the AppType of its one rule (selector and
    // priority); 0 for a category project.
    int32_t specialRuleAppType;
    std::span<const CSeedTask> tasks;
};

// AppType of the category rules: the Active selector with priority 64.
inline constexpr int32_t kCategoryRuleAppType = 65;

// The default project and its task (marked as the default task).
const CSeedProject& DefaultSeedProject();
const CSeedTask& DefaultSeedTask();
// The projects added after the default one, in order, without the last.
std::span<const CSeedProject> SeedProjects();
// The last project: added only, never read back, no tasks.
const CSeedProject& LastSeedProject();
// The rules this target adds after the rules of `task` of `project`.
std::span<const CSeedRule> PlatformSeedRules(const CSeedProject& project, const CSeedTask& task);
// How many rules this target adds in all.
size_t PlatformSeedRuleCount();
