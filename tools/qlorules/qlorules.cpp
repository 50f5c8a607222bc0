// qlorules: review and correct the recorded time from the command line:
// projects, tasks and rules, rule previews, re-applying the rules, assigning
// blocks, and undo; `qlorules serve` shows the same on a local web page. A
// program of its own (not a qloreport command): it writes the catalogue and
// the activity rows, while qloreport stays a reader.
// Run "qlorules --help".
#include <cstdio>

#include "platform/console.h"
#include "qlorules/qlorules_run.h"

int main(int argc, char** argv) {
    UseUtf8Console();
    return RunQlorules(argc, argv, stdout, stderr);
}
