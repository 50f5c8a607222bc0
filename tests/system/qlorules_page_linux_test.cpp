// The review page in a real browser: the built qlorules serves a data folder
// written here, headless Chromium drives the page through the DevTools
// protocol, and after every step the SQLite files hold what the page said.
// Requests that do not come from the page's own tab are refused.
#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <string>

#include "core/activity_checkpoint.h"
#include "support/activity_folder.h"
#include "support/child_process_linux.h"
#include "support/devtools_browser_linux.h"
#include "support/raw_database.h"
#include "support/scoped_environment_linux.h"
#include "support/temp_folder.h"
#include "support/wait_until.h"

namespace {
constexpr int64_t kDay = 20260310000000;  // a Tuesday, long past
const char kHostile[] = "<img src=x onerror=\"document.title='ran'\"> & \"quotes\"";

// A row of kDay from hh:mm for `minutes`.
CStoredRow DayRow(int hour, int minute, int minutes, int32_t type, const char* title, int32_t app) {
    CStoredRow stored;
    stored.start = kDay + hour * 10000 + minute * 100;
    stored.finish = kDay + (hour + (minute + minutes) / 60) * 10000 + (minute + minutes) % 60 * 100;
    stored.duration = minutes * 60;
    stored.type = type;
    stored.title = title;
    stored.app = app;
    return stored;
}

// A data folder with one day of rows, the page served on it and a browser
// on the page.
class QlorulesPage : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(m_temp.File("data"));
        m_data = std::make_unique<CActivityFolder>(m_temp.File("data"));
        const int32_t app = m_data->AddApp("editor", "/usr/bin/editor");
        m_acme = m_data->AddProject("ACME");
        m_meetings = m_data->AddTask(m_acme, "Meetings");
        const auto row = [&](int hour, int minute, int minutes, int32_t type, const char* title) {
            return DayRow(hour, minute, minutes, type, title, type == 3 ? 0 : app);
        };
        m_data->AddRows({row(9, 0, 30, 1, "Quarterly plan review - editor"), row(9, 30, 20, 1, kHostile),
                         row(9, 50, 20, 2, "Quarterly plan review - editor"),
                         row(10, 10, 40, 3, ""),  // a meeting away from the desk
                         row(10, 50, 10, 1, "mail")});
        Serve({"--data", m_temp.File("data")});
    }

    // qlorules serve with `options`, and the address it names.
    void Serve(std::vector<std::string> options) {
        options.insert(options.begin(), {"qlorules", "serve", "--no-browser"});
        m_server = std::make_unique<CChildProcess>(QLO_QLORULES, options);
        std::string line;
        ASSERT_TRUE(m_server->ReadLine(line, 60000));
        std::smatch match;
        ASSERT_TRUE(std::regex_search(line, match, std::regex("http://127\\.0\\.0\\.1:([0-9]+)/\\?key=([0-9a-f]{64})")))
            << line;
        m_address = match[0];
        m_port = std::stoi(match[1]);
        m_key = match[2];
    }

    std::string Base() const { return "http://127.0.0.1:" + std::to_string(m_port); }
    // The browser on the page of kDay.
    void OpenDay() {
        ASSERT_TRUE(m_browser.Open(m_address));
        ASSERT_TRUE(m_browser.WaitFor("typeof state === 'object' && state.day"));
        m_browser.Evaluate("$('day-date').value = '2026-03-10'; $('day-date').dispatchEvent(new Event('change'))");
        ASSERT_TRUE(m_browser.WaitFor("state.day.date === '2026-03-10'")) << m_browser.LastError();
    }
    // A value of the March activity file.
    std::string Stored(const std::string& sql) { return CRawDatabase(m_data->MonthFile(kDay)).Value(sql); }
    std::string Status() { return m_browser.Evaluate("$('status').textContent").get<std::string>(); }

    CTempFolder m_temp;
    std::unique_ptr<CActivityFolder> m_data;
    std::unique_ptr<CChildProcess> m_server;
    CDevToolsBrowser m_browser{QLO_CHROMIUM};
    std::string m_address, m_key;
    int m_port = 0;
    int32_t m_acme = 0, m_meetings = 0;
};

TEST_F(QlorulesPage, RefusesRequestsWithoutTheSecretOrFromAnotherSiteOrHost) {
    httplib::Client client("127.0.0.1", m_port);
    const auto get = [&](const std::string& path, const httplib::Headers& headers = {}) {
        const auto answer = client.Get(path.c_str(), headers);
        return answer ? answer->status : -1;
    };
    EXPECT_EQ(get("/"), 403);
    EXPECT_EQ(get("/api/day?date=2026-03-10"), 403);
    EXPECT_EQ(get("/?key=" + std::string(64, '0')), 403);
    const auto opened = client.Get(("/?key=" + m_key).c_str());
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->status, 200);
    EXPECT_EQ(opened->get_header_value("Set-Cookie"), "qlo_key=" + m_key + "; Path=/; HttpOnly; SameSite=Strict");
    EXPECT_NE(opened->get_header_value("Content-Security-Policy").find("script-src 'self'"), std::string::npos);

    const httplib::Headers cookie{{"Cookie", "qlo_key=" + m_key}};
    EXPECT_EQ(get("/api/day?date=2026-03-10", cookie), 200);
    // A name of another site that resolves to this machine (DNS rebinding).
    EXPECT_EQ(get("/?key=" + m_key, {{"Host", "rebind.example:" + std::to_string(m_port)}}), 403);
    // Another site's page, even if it had the cookie.
    httplib::Headers foreign = cookie;
    foreign.emplace("Origin", "http://evil.example");
    EXPECT_EQ(get("/api/day?date=2026-03-10", foreign), 403);
    const auto post = client.Post("/api/undo", foreign, "{}", "application/json");
    ASSERT_TRUE(post);
    EXPECT_EQ(post->status, 403);
    // A post without an Origin is no request of the page's script.
    const auto bare = client.Post("/api/undo", cookie, "{}", "application/json");
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->status, 403);

    // The browser without the key gets the refusal and no page.
    ASSERT_TRUE(m_browser.Open(Base() + "/"));
    EXPECT_NE(m_browser.Evaluate("document.body.textContent").get<std::string>().find("refused"), std::string::npos);
    EXPECT_EQ(m_browser.Evaluate("typeof state"), "undefined");
}

TEST_F(QlorulesPage, TheDayShowsEveryRowAsTextAndTheAwayTimeToAssign) {
    OpenDay();
    EXPECT_EQ(m_browser.Evaluate("new Set([...document.querySelectorAll('.block[data-rows]')]"
                                 ".flatMap(b => b.dataset.rows.split(' '))).size"),
              5);
    // The hostile title is text: no element made of it, no script run.
    m_browser.Evaluate("$('timeline').querySelector('[data-hour=\"9\"]').click()");
    ASSERT_TRUE(m_browser.WaitFor("$('hour-rows').textContent.includes('onerror')"));
    EXPECT_EQ(m_browser.Evaluate("document.querySelectorAll('main img').length"), 0);
    EXPECT_NE(m_browser.Evaluate("document.title"), "ran");
    // Totals per type as stored: active 3600 s, idle 1200 s, locked 2400 s.
    EXPECT_EQ(m_browser.Evaluate(
                  "[1,2,3,4].map(t => Number($('day-totals').querySelector(`[data-type=\"${t}\"]`).dataset.seconds))"),
              nlohmann::json({3600, 1200, 2400, 0}));
    // The 40 minutes locked stand at the top; the 20 minutes idle too.
    EXPECT_EQ(m_browser.Evaluate("$('away-list').children.length"), 2);
    // On a phone nothing is wider than the screen, in any view.
    m_browser.Call("Emulation.setDeviceMetricsOverride",
                   {{"width", 390}, {"height", 844}, {"deviceScaleFactor", 2}, {"mobile", true}});
    for (const char* view : {"day", "catalogue", "uncategorized", "apply", "edits"}) {
        m_browser.Evaluate(std::string("location.hash = '#") + view + "'");
        EXPECT_TRUE(m_browser.WaitFor(std::string("!$('") + view +
                                      "').hidden && document.documentElement.scrollWidth <= innerWidth"))
            << view << ": " << m_browser.Evaluate("document.documentElement.scrollWidth");
    }
    m_browser.Evaluate("location.hash = '#day'");

    // The page follows what the collector stores: a finished row, and the
    // activity in progress from its checkpoint.
    m_data->AddRows({DayRow(11, 0, 5, 1, "stored later", 1)});
    CCheckpointState state;
    state.hasCurrent = true;
    state.current.SetType(ActivityType::Active);
    state.current.SetDates(kDay + 110500, kDay + 111000);
    state.current.SetTitle(kHostile, static_cast<int>(sizeof kHostile - 1));
    state.last = state.current.GetFinishMoment();
    CActivityCheckpoint checkpoint;
    checkpoint.SetFolder(m_temp.File("data"), '/');
    ASSERT_EQ(checkpoint.Write(state), 1);
    ASSERT_TRUE(m_browser.WaitFor("state.day.rows.length === 6 && $('timeline').querySelector('.block.current')"));
    EXPECT_NE(m_browser.Evaluate("$('day-totals').textContent").get<std::string>().find("in progress: <img"),
              std::string::npos);
    EXPECT_EQ(m_browser.Evaluate("document.querySelectorAll('main img').length"), 0);
}

TEST_F(QlorulesPage, AssignARuleFromAnUncategorisedTitleApplyAndUndoLandInTheFiles) {
    OpenDay();
    // Assign the locked block: that was a meeting for ACME.
    const std::string locked = Stored("select Id_Activity from T_Activities where Id_ActivityType = 3");
    m_browser.Evaluate("$('away-list').querySelectorAll('input')[1].click()");
    m_browser.Evaluate("$('assign-project').value = '" + std::to_string(m_acme) +
                       "'; $('assign-project').dispatchEvent(new Event('change')); $('assign-task').value = '" +
                       std::to_string(m_meetings) + "'; $('assign-button').click()");
    ASSERT_TRUE(m_browser.WaitFor("$('status').textContent.startsWith('Assigned')")) << Status();
    EXPECT_EQ(Stored("select Id_Project || '/' || Id_Task || '/' || Id_ActivityType || '/' || Duration from "
                     "T_Activities where Id_Activity = " +
                     locked),
              std::to_string(m_acme) + "/" + std::to_string(m_meetings) + "/3/2400");
    EXPECT_EQ(m_browser.Evaluate("$('away-list').children.length"), 1);
    const std::string assignEdit = std::regex_replace(Status(), std::regex(".*edit #([0-9]+).*"), "$1");

    // A rule from the uncategorised title, its preview, then saved.
    m_browser.Evaluate("$('unc-from').value = $('unc-to').value = '2026-03-10'; location.hash = '#uncategorized'");
    ASSERT_TRUE(
        m_browser.WaitFor("[...$('unc-list').querySelectorAll('tr')].some(r => r.textContent.includes('Quarterly'))"))
        << Status();
    m_browser.Evaluate(
        "[...$('unc-list').querySelectorAll('tr')].find(r => r.textContent.includes('Quarterly'))"
        ".querySelector('button').click()");
    m_browser.Evaluate("$('preview-from').value = $('preview-to').value = '2026-03-10'");
    ASSERT_TRUE(m_browser.WaitFor("$('rule-words').value === 'quarterly plan review editor'"));
    m_browser.Evaluate("$('rule-words').value = 'quarterly plan'; $('rule-project').value = '" +
                       std::to_string(m_acme) + "'; $('rule-form').dispatchEvent(new Event('input'))");
    ASSERT_TRUE(m_browser.WaitFor("$('preview-summary').dataset.caught === '2'"))
        << m_browser.Evaluate("$('preview-summary').textContent");
    EXPECT_EQ(m_browser.Evaluate("$('preview-summary').dataset.changing"), "2");
    m_browser.Evaluate("$('rule-save').click()");
    ASSERT_TRUE(m_browser.WaitFor("$('status').textContent.startsWith('Rule #')")) << Status();
    EXPECT_EQ(CRawDatabase(m_temp.File("data/func.db"))
                  .Value("select count(*) from T_Rules where Title = 'quarterly plan' and Id_Project = " +
                         std::to_string(m_acme)),
              "1");

    // Apply over the day: previewed, then done.
    const std::string caught =
        "select count(*) from T_Activities where Title like 'Quarterly plan%' and Id_Project = " +
        std::to_string(m_acme);
    m_browser.Evaluate(
        "location.hash = '#apply'; $('apply-from').value = $('apply-to').value = '2026-03-10';"
        "$('apply-preview').click()");
    ASSERT_TRUE(m_browser.WaitFor("!$('apply-run').disabled")) << Status();
    EXPECT_EQ(Stored(caught), "0");
    m_browser.Evaluate("$('apply-run').click()");
    ASSERT_TRUE(m_browser.WaitFor("$('status').textContent.startsWith('Applied')")) << Status();
    EXPECT_NE(Status().find("2 of"), std::string::npos) << Status();
    EXPECT_EQ(Stored(caught), "2");

    // Undo the apply, then the assignment.
    m_browser.Evaluate("location.hash = '#edits'");
    ASSERT_TRUE(m_browser.WaitFor("$('edit-list').querySelector('[data-undo]')"));
    m_browser.Evaluate("$('undo-last').click()");
    ASSERT_TRUE(m_browser.WaitFor("$('status').textContent.startsWith('Undone')")) << Status();
    EXPECT_EQ(Stored(caught), "0");
    EXPECT_EQ(Stored("select Id_Project from T_Activities where Id_Activity = " + locked), std::to_string(m_acme));
    m_browser.Evaluate("$('edit-list').querySelector('[data-undo=\"" + assignEdit + "\"]').click()");
    ASSERT_TRUE(
        m_browser.WaitFor("$('edit-list').querySelector('[data-edit=\"" + assignEdit + "\"][data-state=\"undone\"]')"))
        << Status();
    EXPECT_EQ(Stored("select Id_Project from T_Activities where Id_Activity = " + locked), "0");
    // A project named by the page: stored as typed, listed as text.
    const std::string name = nlohmann::json(kHostile).dump();
    m_browser.Evaluate("location.hash = '#catalogue'; $('project-name').value = " + name +
                       "; $('project-add').requestSubmit()");
    ASSERT_TRUE(m_browser.WaitFor("$('project-list').textContent.includes(" + name + ")")) << Status();
    EXPECT_EQ(CRawDatabase(m_temp.File("data/func.db"))
                  .Value("select count(*) from T_Projects where Name = '" +
                         std::regex_replace(kHostile, std::regex("'"), "''") + "'"),
              "1");
    EXPECT_EQ(m_browser.Evaluate("document.querySelectorAll('main img').length"), 0);
    // Nothing was deleted.
    EXPECT_EQ(Stored("select count(*) from T_Activities"), "5");
}

TEST_F(QlorulesPage, ThePauseControlPausesAndResumesTheRunningCollector) {
    // A collector of its own, and the page on its folder as its settings name it.
    const std::string home = m_temp.File("home"), settings = m_temp.File("registry.reg");
    std::filesystem::create_directories(home + "/install");
    std::ofstream(settings) << "Windows Registry Editor Version 5.00\r\n\r\n"
                               "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Belvane\\Orvanta]\r\n\"Path\"=\""
                            << home << "/install\"\r\n\"QLOCollector Log Level\"=dword:00000001\r\n";
    CScopedEnvironment dataHome{"XDG_DATA_HOME", home.c_str()};
    CScopedEnvironment registry{"QLO_REGISTRY_FILE", settings.c_str()};
    CChildProcess collector(QLO_COLLECTOR, {"qlocollector"});
    const auto logged = [&](const char* text) {
        return ReadFileBytes(home + "/Orvanta/Logs/QLOCollector.log").find(text) != std::string::npos;
    };
    ASSERT_TRUE(WaitUntil([&] { return logged("Start process"); }));
    Serve({});
    ASSERT_TRUE(m_browser.Open(m_address));
    ASSERT_TRUE(m_browser.WaitFor("$('pause-state').textContent === 'Recording' && $('resume-button').hidden"));

    m_browser.Evaluate("$('pause-length').value = '30m'; $('pause-button').click()");
    ASSERT_TRUE(
        m_browser.WaitFor("/^Paused until \\d\\d:\\d\\d$/.test($('pause-state').textContent) && "
                          "!$('resume-button').hidden && $('pause-button').hidden"))
        << Status();
    EXPECT_TRUE(logged("Paused until"));
    m_browser.Evaluate("$('resume-button').click()");
    ASSERT_TRUE(m_browser.WaitFor("$('pause-state').textContent === 'Recording' && !$('pause-button').hidden"))
        << Status();
    EXPECT_TRUE(logged("Resumed after"));
    // A length the page did not offer is refused with its reason.
    m_browser.Evaluate(
        "$('pause-length').options[0].value = '1x'; $('pause-length').value = '1x'; "
        "$('pause-button').click()");
    ASSERT_TRUE(m_browser.WaitFor("$('status').textContent.startsWith(\"bad pause length '1x'\")")) << Status();
    kill(collector.Pid(), SIGTERM);
    EXPECT_TRUE(collector.WaitForEnd(20000));
}
}  // namespace
