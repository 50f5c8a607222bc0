#include <cstring>

#include "pms/fuzz/fuzz_file.h"
#include "pms/jira_project_parser.h"

// Every project the parser keeps must have data, be linked to JIRA and hold
// terminated texts within their fields.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* path = WriteFuzzFile(data, size);
    if (!path) return 0;
    CJIRAProjectParser parser;
    CBaseStorage<CDBProject> projects;
    const int result = parser.ParseFile(path, projects);
    if (result != 1 && result != -1 && result != -200) __builtin_trap();
    for (int i = 0; i < projects.Count(); ++i) {
        CDBProject project;
        projects.Pop(i, project);
        if (!project.HasData() || project.GetExternalPMSType() != 1) __builtin_trap();
        if (std::strlen(project.GetName()) >= CDBProject::kNameSize ||
            std::strlen(project.GetExternalKey()) >= CDBProject::kExternalKeySize)
            __builtin_trap();
    }
    return 0;
}
