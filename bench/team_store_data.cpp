// The data and the baseline of the team store benchmark (team_store_bench.sh):
//   team_store_data generate DIR COLLECTORS ROWS   COLLECTORS data folders DIR/c1 ... each of one of a
//                                                  team's collectors: ROWS activities in January 2026
//   team_store_data sql FROM TO                    the statement qloreport --server runs for
//                                                  totals --by project over [FROM, TO] (packed), everyone's
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "qloreport/server_report_source.h"
#include "support/team_store_test_server.h"

int main(int argc, char** argv) {
    if (argc == 5 && !std::strcmp(argv[1], "generate")) {
        for (int i = 1; i <= std::atoi(argv[3]); ++i) {
            const std::string folder = std::string(argv[2]) + "/c" + std::to_string(i);
            std::filesystem::create_directories(folder);
            CActivityFolder data(folder);
            FillTeamFolder(data, i, 1, std::atoi(argv[4]));
        }
        return 0;
    }
    if (argc == 4 && !std::strcmp(argv[1], "sql")) {
        std::puts(ServerTotalsSql(ReportGrouping::Project, std::atoll(argv[2]), std::atoll(argv[3]), "").c_str());
        return 0;
    }
    std::fputs("usage: team_store_data generate DIR COLLECTORS ROWS | sql FROM TO\n", stderr);
    return 2;
}
