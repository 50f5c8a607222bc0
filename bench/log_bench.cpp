// One error-log line as the time manager writes it (formatting, the log's
// mutex, the checks before the write and the write itself), to a file in a
// temporary folder that stays far below the size at which it is archived.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "log/debug_controller.h"
#include "support/temp_folder.h"

static void ErrorLogLine(benchmark::State& state) {
    CTempFolder folder;
    int64_t lines = 0;
    for (auto _ : state) {
        {
            CDebugController logs;
            logs.SetLogFiles(LOG_INFO | LOG_ERROR, folder.Str().c_str(), 0);
            for (int i = 0; i < 50000; ++i)
                logs.Log(LOG_ERROR, 0, "%s (%i) GetCurrentActivity = %i", "CTimeManager::OnCheckActivity", 1, -52);
        }
        lines += 50000;
        // A fresh file for every 50 000 lines (about 4 MB).
        state.PauseTiming();
        std::filesystem::remove(folder.File("QLOCollector_Error.log"));
        state.ResumeTiming();
    }
    state.SetItemsProcessed(lines);
}
BENCHMARK(ErrorLogLine)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
