// The review page's day view for a day of many rows, served by the built
// qlorules and drawn by headless Chromium:
//   - time to the first byte of the day's JSON answer and of the page;
//   - fully drawn: from asking the day's rows to the frame that shows them
//     (fetch, JSON, the timeline's elements, layout and paint), in the page.
// Medians of RUNS runs. With --screenshot the page of the day is also saved
// as a PNG at a laptop's size; with --data DIR --date D it shows that folder's
// day instead of a generated one.
//
//   page_bench [--rows 3000] [--runs 9] [--data DIR --date YYYY-MM-DD] [--screenshot FILE]
#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "support/activity_folder.h"
#include "support/child_process_linux.h"
#include "support/devtools_browser_linux.h"
#include "support/temp_folder.h"

namespace {
double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// A working day of `count` rows from 08:00, each a few seconds to a minute
// long: programs, titles and projects in turn, an idle, locked or offline
// row now and then.
void WriteDay(const std::string& folder, int64_t day, int count) {
    CActivityFolder data(folder);
    std::vector<int32_t> apps, projects;
    for (const char* name : {"editor", "browser", "mail", "terminal", "chat"})
        apps.push_back(data.AddApp(name, std::string("/usr/bin/") + name));
    for (const char* name : {"ACME", "Beta", "Internal", "Support"})
        projects.push_back(data.AddProject(name));
    std::vector<CStoredRow> rows;
    int64_t second = 8 * 3600;
    const auto stamp = [&](int64_t s) { return day + s / 3600 * 10000 + s / 60 % 60 * 100 + s % 60; };
    for (int i = 0; i < count && second < 86000; ++i) {
        CStoredRow row;
        row.duration = 3 + (i * 7919) % 27;
        row.start = stamp(second);
        second += row.duration;
        row.finish = stamp(second);
        row.type = i % 97 == 0 ? 3 : i % 31 == 0 ? 2 : i % 211 == 0 ? 4 : 1;
        row.app = row.type == 1 ? apps[i % apps.size()] : 0;
        row.project = i % 5 == 0 ? 0 : projects[i / 40 % projects.size()];
        row.title = "Document " + std::to_string(i % 120) + " - window title of some length";
        rows.push_back(row);
    }
    data.AddRows(rows);
}

// Milliseconds to the first byte of a GET of `path`.
double FirstByteMs(httplib::Client& client, const std::string& path, const httplib::Headers& headers) {
    const auto start = std::chrono::steady_clock::now();
    double first = -1;
    client.Get(path.c_str(), headers, [&](const char*, size_t) {
        if (first < 0)
            first = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        return true;
    });
    return first;
}
}  // namespace

int main(int argc, char** argv) {
    int rows = 3000, runs = 9;
    std::string data, date = "2026-03-10", screenshot;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--rows")) rows = std::atoi(argv[i + 1]);
        if (!std::strcmp(argv[i], "--runs")) runs = std::atoi(argv[i + 1]);
        if (!std::strcmp(argv[i], "--data")) data = argv[i + 1];
        if (!std::strcmp(argv[i], "--date")) date = argv[i + 1];
        if (!std::strcmp(argv[i], "--screenshot")) screenshot = argv[i + 1];
    }
    CTempFolder temp;
    if (data.empty()) {
        data = temp.File("data");
        std::filesystem::create_directory(data);
        WriteDay(data, 20260310000000, rows);
    }
    CChildProcess server(QLO_QLORULES, {"qlorules", "serve", "--no-browser", "--data", data});
    std::string line;
    std::smatch match;
    if (!server.ReadLine(line, 60000) ||
        !std::regex_search(line, match, std::regex("http://127\\.0\\.0\\.1:([0-9]+)/\\?key=([0-9a-f]+)"))) {
        std::fprintf(stderr, "page_bench: qlorules serve did not start\n");
        return 1;
    }
    const std::string address = match[0];
    httplib::Client client("127.0.0.1", std::stoi(match[1]));
    const httplib::Headers cookie{{"Cookie", "qlo_key=" + std::string(match[2])}};

    std::vector<double> pageBytes, dayBytes, drawn;
    for (int i = 0; i < runs; ++i) {
        pageBytes.push_back(FirstByteMs(client, "/", cookie));
        dayBytes.push_back(FirstByteMs(client, "/api/day?date=" + date, cookie));
    }
    CDevToolsBrowser browser(QLO_CHROMIUM);
    if (!browser.Open(address) || !browser.WaitFor("typeof state === 'object' && state.day")) {
        std::fprintf(stderr, "page_bench: the browser did not show the page: %s\n", browser.LastError().c_str());
        return 1;
    }
    // From asking the rows to the next frame after they were drawn.
    const std::string draw = "(async () => { const t = performance.now(); await loadDay('" + date +
                             "'); await new Promise(r => requestAnimationFrame(() => setTimeout(r))); "
                             "return performance.now() - t; })()";
    for (int i = 0; i < runs; ++i)
        drawn.push_back(browser.Evaluate(draw).get<double>());
    const int shown = browser.Evaluate("state.day.rows.length").get<int>();
    std::printf("day view of %d rows, medians of %d runs\n", shown, runs);
    std::printf("  first byte of the page          %7.1f ms\n", Median(pageBytes));
    std::printf("  first byte of the day's answer  %7.1f ms\n", Median(dayBytes));
    std::printf("  fully drawn in Chromium         %7.1f ms\n", Median(drawn));
    if (!screenshot.empty()) {
        browser.Evaluate("state.hour = 10; drawHour()");
        if (!browser.Screenshot(screenshot, 1280, 860)) return 1;
    }
    return 0;
}
