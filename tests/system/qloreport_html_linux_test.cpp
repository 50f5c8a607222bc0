// qloreport's HTML page in a real browser: the built qloreport writes the
// page of a month of a sample data folder, and headless Chromium (with a
// fresh profile and no network of its own) loads it: its console stays
// silent, a screenshot at a phone's size is not blank, and the totals the
// page shows are those `qloreport totals --format json` gives.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "support/activity_folder.h"
#include "support/temp_folder.h"

namespace {
// Runs a shell command line; its exit status.
int Shell(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Chromium(const CTempFolder& temp, const std::string& profile, const std::string& options) {
    return std::string("timeout 120 ") + QLO_CHROMIUM +
           " --headless --no-sandbox --disable-gpu --disable-background-networking --disable-component-update "
           "--disable-sync --no-first-run --user-data-dir=" +
           temp.File(profile) + " " + options + " file://" + temp.File("page.html");
}

// How many distinct colours the PNG file has, sampling every pixel.
size_t Colours(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return 0;
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return 0;
    std::set<uint32_t> colours;
    for (size_t i = 0; i + 2 < pixels.size(); i += 3)
        colours.insert(pixels[i] << 16 | pixels[i + 1] << 8 | pixels[i + 2]);
    return colours.size();
}

// The rows of the page's table of `by`: id (or -1 for the other groups, -2
// for the total) and seconds.
std::map<int64_t, int64_t> PageTable(const std::string& dom, const std::string& by) {
    const size_t start = dom.find("<table data-by=\"" + by + "\"");
    const size_t end = dom.find("</table>", start);
    const std::string table = start == std::string::npos ? "" : dom.substr(start, end - start);
    std::map<int64_t, int64_t> rows;
    const std::regex row("data-(id|other|total)=\"([0-9]+)\"(?: data-seconds=\"([0-9]+)\")?");
    for (auto match = std::sregex_iterator(table.begin(), table.end(), row); match != std::sregex_iterator(); ++match) {
        const std::string kind = (*match)[1];
        if (kind == "id")
            rows[std::stoll((*match)[2])] = std::stoll((*match)[3]);
        else if (kind == "other")
            rows[-1] = std::stoll((*match)[3]);
        else
            rows[-2] = std::stoll((*match)[2]);
    }
    return rows;
}

TEST(QloreportHtml, ChromiumShowsThePageWithoutErrorsAndItsTotalsAreThoseOfTotals) {
    CTempFolder temp;
    const std::string data = temp.File("data");
    std::filesystem::create_directory(data);
    CSampleFolder sample(data);
    const std::string range = " --data " + data + " --from 2026-03-01 --to 2026-03-31";
    ASSERT_EQ(Shell(std::string(QLO_QLOREPORT) + " html" + range + " -o " + temp.File("page.html")), 0);

    ASSERT_EQ(Shell(Chromium(temp, "dom", "--enable-logging=stderr --v=0 --dump-dom") + " >" + temp.File("dom.html") +
                    " 2>" + temp.File("chromium.log")),
              0)
        << ReadFileBytes(temp.File("chromium.log"));
    const std::string log = ReadFileBytes(temp.File("chromium.log"));
    EXPECT_EQ(log.find("CONSOLE"), std::string::npos) << log;
    const std::string dom = ReadFileBytes(temp.File("dom.html"));

    for (const char* by : {"project", "app", "site"}) {
        ASSERT_EQ(Shell(std::string(QLO_QLOREPORT) + " totals --top 20 --format json --by " + by + range + " >" +
                        temp.File("totals.json")),
                  0);
        const nlohmann::json totals = nlohmann::json::parse(ReadFileBytes(temp.File("totals.json")));
        std::map<int64_t, int64_t> expected{{-2, totals["total"]["seconds"].get<int64_t>()}};
        for (const auto& group : totals["groups"])
            expected[group["id"].get<int64_t>()] = group["seconds"].get<int64_t>();
        if (totals["other"]["groups"].get<int>() > 0) expected[-1] = totals["other"]["seconds"].get<int64_t>();
        EXPECT_EQ(PageTable(dom, by), expected) << by;
    }

    ASSERT_EQ(
        Shell(Chromium(temp, "shot", "--hide-scrollbars --window-size=390,844 --screenshot=" + temp.File("phone.png")) +
              " >/dev/null 2>&1"),
        0);
    EXPECT_GT(Colours(temp.File("phone.png")), 8u);
}
}  // namespace
