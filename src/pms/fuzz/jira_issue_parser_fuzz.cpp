#include <cstring>

#include "pms/fuzz/fuzz_file.h"
#include "pms/jira_issue_parser.h"

// Every task the parser keeps must have data, be linked to JIRA and hold
// terminated texts within their fields.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* path = WriteFuzzFile(data, size);
    if (!path) return 0;
    CJIRAIssueParser parser;
    CBaseStorage<CDBTask> tasks;
    const int result = parser.ParseFile(path, tasks);
    if (result != 1 && result != -1 && result != -200) __builtin_trap();
    for (int i = 0; i < tasks.Count(); ++i) {
        CDBTask task;
        tasks.Pop(i, task);
        if (!task.HasData() || task.GetExternalPMSType() != 1) __builtin_trap();
        if (std::strlen(task.GetName()) >= CDBTask::kNameSize ||
            std::strlen(task.GetDescription()) >= CDBTask::kDescriptionSize ||
            std::strlen(task.GetExternalKey()) >= CDBTask::kExternalKeySize ||
            std::strlen(task.GetExternalStatusName()) >= CDBTask::kExternalStatusNameSize)
            __builtin_trap();
    }
    return 0;
}
