// Details that expire over a generated year: the collector's expiry run
// (core/details_expiry.h) one transaction at a time, timed.
//   report_data generate DIR 2025 12 100000
//   details_expiry_bench DIR 20260101000000
// prints the rows cleared, the transactions, the whole run's time and the
// longest single transaction (the longest the collector holds a file).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/details_expiry.h"
#include "platform/path.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: details_expiry_bench DIR CUTOFF\n");
        return 2;
    }
    using Clock = std::chrono::steady_clock;
    CDetailsExpiry expiry;
    expiry.SetFolder(argv[1], kPathSeparator);
    const Clock::time_point begun = Clock::now();
    expiry.Begin(std::strtoll(argv[2], nullptr, 10));
    double longestMs = 0;
    int transactions = 0;
    for (;;) {
        std::string error;
        const Clock::time_point start = Clock::now();
        const int step = expiry.Step(1, error);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        longestMs = ms > longestMs ? ms : longestMs;
        ++transactions;
        if (step < 0) {
            std::fprintf(stderr, "details_expiry_bench: %s\n", error.c_str());
            return 1;
        }
        if (step == 1) break;
    }
    const double totalMs = std::chrono::duration<double, std::milli>(Clock::now() - begun).count();
    std::printf("%lld rows cleared in %d transactions: %.0f ms in all, the longest transaction %.1f ms\n",
                static_cast<long long>(expiry.RowsChanged()), transactions, totalMs, longestMs);
    return 0;
}
