// qlosync: sends the collector's activities to the team store (PostgreSQL)
// and keeps them there. Run "qlosync --help".
#include <cstdio>

#include "platform/console.h"
#include "qlosync/qlosync_run.h"

int main(int argc, char** argv) {
    UseUtf8Console();
    return RunQlosync(argc, argv, stdout, stderr);
}
