// Writes the report tests' sample data folder (CSampleFolder: rows in
// January, March and April 2026) into the folder named by the argument, as
// the Windows collector would leave it, for script tests of the Windows tools.
#include <gtest/gtest.h>

#include <cstdio>

#include "support/activity_folder.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: sample_folder_helper FOLDER\n");
        return 2;
    }
    CSampleFolder sample(argv[1]);
    return ::testing::Test::HasFailure() ? 1 : 0;
}
