#pragma once
// A console tool's run function called in-process, as its main() calls it:
// what it wrote to standard output and standard error, and its exit status.
#include <cstdio>
#include <string>
#include <vector>

#include "support/temp_folder.h"

struct CToolRun {
    int status = -1;
    std::string out, err;
};

// Runs `tool` with argv[0] "tool" and `args`; its output streams are files
// of a temporary folder, read back once it returned.
inline CToolRun RunConsoleTool(int (*tool)(int, const char* const*, FILE*, FILE*),
                               const std::vector<std::string>& args) {
    std::vector<const char*> argv{"tool"};
    for (const std::string& arg : args)
        argv.push_back(arg.c_str());
    CTempFolder files;
    FILE* out = std::fopen(files.File("out").c_str(), "wb");
    FILE* err = std::fopen(files.File("err").c_str(), "wb");
    CToolRun run;
    run.status = tool(static_cast<int>(argv.size()), argv.data(), out, err);
    std::fclose(out);
    std::fclose(err);
    run.out = ReadFileBytes(files.File("out"));
    run.err = ReadFileBytes(files.File("err"));
    return run;
}
