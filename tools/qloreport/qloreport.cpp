// qloreport: where did my time go? Totals, the day's activities, why an
// activity got its project and task, and an HTML report, read from the
// collector's data folder while it runs. Run "qloreport --help".
#include <cstdio>

#include "platform/console.h"
#include "qloreport/qloreport_run.h"

int main(int argc, char** argv) {
    UseUtf8Console();
    return RunQloreport(argc, argv, stdout, stderr);
}
