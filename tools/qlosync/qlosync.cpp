// qlosync: sends the collector's activities to the team store (PostgreSQL)
// and keeps them there. Run "qlosync --help".
#include <cstdio>

#include "platform/console.h"
#include "platform/private_file.h"
#include "qlosync/qlosync_run.h"

int main(int argc, char** argv) {
    // The identity, state and lock files beside the databases are private.
    KeepNewFilesOwnerOnly();
    UseUtf8Console();
    return RunQlosync(argc, argv, stdout, stderr);
}
