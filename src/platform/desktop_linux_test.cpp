// The X11 desktop service against a real X server: the display the tests run
// in (scripts/run_linux_tests.sh starts one), where the test plays both the
// applications and the window manager, and private servers that come and go.
#include "platform/desktop_linux.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "fakes/fake_clock.h"
#include "platform/clock.h"
#include "platform/x11_connection_linux.h"
#include "support/child_process_linux.h"
#include "support/wait_until.h"
#include "support/x11_test_display_linux.h"

namespace {
class X11DesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_x.IsOpen()) << "needs an X display: run the tests through scripts/run_linux_tests.sh";
        if (m_x.HasWindowManager()) GTEST_SKIP() << "a window manager runs on this display; the tests act as one";
        m_desktop = CreateX11Desktop(std::nullopt);
    }

    std::string Title(WindowHandle window, int limit = 262) {
        std::string buffer(static_cast<size_t>(limit), 'x');
        const int copied = m_desktop->GetWindowText(window, buffer.data(), limit);
        EXPECT_EQ(copied, static_cast<int>(std::strlen(buffer.c_str())));
        return buffer.c_str();
    }

    CX11TestDisplay m_x;
    std::unique_ptr<CDesktopService> m_desktop;
};

TEST_F(X11DesktopTest, ForegroundIsTheActiveWindowWithItsTitleAndOwner) {
    const Window notepad = m_x.CreateWindow("Notepad", "Untitled - Notepad", 4242);
    const Window excel = m_x.CreateWindow("XLMAIN", "Book1 \xE2\x80\x93 Excel", static_cast<uint32_t>(getpid()));

    m_x.SetActive(notepad);
    EXPECT_EQ(m_desktop->GetForegroundWindow(), notepad);
    EXPECT_EQ(m_desktop->GetWindowTextLength(notepad), 18);
    EXPECT_EQ(Title(notepad), "Untitled - Notepad");
    EXPECT_EQ(m_desktop->GetWindowProcessId(notepad), 4242u);

    m_x.SetActive(excel);
    EXPECT_EQ(m_desktop->GetForegroundWindow(), excel);
    EXPECT_EQ(Title(excel), "Book1 \xE2\x80\x93 Excel");
    EXPECT_EQ(m_desktop->GetWindowTextLength(excel), 15);  // bytes of UTF-8
    EXPECT_EQ(m_desktop->GetWindowProcessId(excel), static_cast<uint32_t>(getpid()));

    // A window manager with nothing in front says None, or nothing at all.
    m_x.SetActive(None);
    EXPECT_EQ(m_desktop->GetForegroundWindow(), 0u);
    m_x.RemoveActive();
    EXPECT_EQ(m_desktop->GetForegroundWindow(), 0u);
    EXPECT_EQ(m_desktop->GetDesktopWindow(), m_x.Root());
}

TEST_F(X11DesktopTest, TitleIsNetWmNameElseWmName) {
    // Read at each call for a window behind; kept from its events for the one in front.
    for (const bool inFront : {false, true}) {
        SCOPED_TRACE(inFront ? "in front" : "behind");
        const Window window = m_x.CreateWindow("Editor", "", 0);
        if (inFront) {
            m_x.SetActive(window);
            ASSERT_EQ(m_desktop->GetForegroundWindow(), window);
        }
        m_x.SetNetWmName(window, "R\xC3\xA9sum\xC3\xA9.odt");
        m_x.SetWmName(window, "Resume.odt", false);
        EXPECT_EQ(Title(window), "R\xC3\xA9sum\xC3\xA9.odt");

        m_x.RemoveNetWmName(window);
        EXPECT_EQ(Title(window), "Resume.odt");
        // WM_NAME of type STRING is ISO 8859-1: it arrives as UTF-8.
        m_x.SetWmName(window, "Caf\xE9", false);
        EXPECT_EQ(Title(window), "Caf\xC3\xA9");
        EXPECT_EQ(m_desktop->GetWindowTextLength(window), 5);
        // Malformed UTF-8 from a client never reaches the collector as such.
        m_x.SetNetWmName(window, "ab\xFF\xC3");
        EXPECT_EQ(Title(window), "ab??");

        // No title, no owner; then an owner.
        m_x.SetNetWmName(window, "");
        EXPECT_EQ(m_desktop->GetWindowTextLength(window), 0);
        EXPECT_EQ(Title(window), "");
        EXPECT_EQ(m_desktop->GetWindowProcessId(window), 0u);
        m_x.SetPid(window, 321);
        EXPECT_EQ(m_desktop->GetWindowProcessId(window), 321u);
    }
}

TEST_F(X11DesktopTest, TitleIsCutOnACharacterBoundary) {
    // 'a', '€' (3 bytes), then 2-byte and 4-byte characters far past 259 bytes.
    std::string title = "a\xE2\x82\xAC";
    for (int i = 0; i < 100; ++i)
        title += i % 2 ? "\xC3\xA9" : "\xF0\x9F\x98\x80";
    const Window window = m_x.CreateWindow("Browser", title, 1);
    EXPECT_EQ(m_desktop->GetWindowTextLength(window), static_cast<int>(title.size()));

    EXPECT_EQ(Title(window, 4), "a");  // room for 3 bytes: '€' does not fit
    EXPECT_EQ(Title(window, 5), "a\xE2\x82\xAC");
    EXPECT_EQ(Title(window, 1), "");
    const std::string cut = Title(window, 260);  // as the capture reads it
    ASSERT_LE(cut.size(), 259u);
    EXPECT_GE(cut.size(), 256u);
    EXPECT_EQ(cut, title.substr(0, cut.size()));
    EXPECT_NE(static_cast<unsigned char>(title[cut.size()]) & 0xC0, 0x80) << "cut inside a character";

    char untouched = 'x';
    EXPECT_EQ(m_desktop->GetWindowText(window, &untouched, 0), 0);
    EXPECT_EQ(untouched, 'x');
    EXPECT_EQ(m_desktop->GetWindowText(window, nullptr, 10), 0);
}

TEST_F(X11DesktopTest, AWindowThatVanishedGivesEmptyAnswers) {
    const Window window = m_x.CreateWindow("Dialog", "Save changes?", 777);
    const Window pane = m_x.CreateChild(window, "Pane", "pane", true);
    m_x.SetActive(window);
    const WindowHandle foreground = m_desktop->GetForegroundWindow();
    ASSERT_EQ(foreground, window);

    // The window closes between two calls; the active-window hint still names it.
    m_x.Destroy(window);
    EXPECT_EQ(m_desktop->GetForegroundWindow(), window);
    EXPECT_EQ(m_desktop->GetWindowTextLength(foreground), 0);
    char title[16] = "stale";
    EXPECT_EQ(m_desktop->GetWindowText(foreground, title, sizeof(title)), 0);
    EXPECT_STREQ(title, "");
    EXPECT_EQ(m_desktop->GetWindowProcessId(foreground), 0u);
    EXPECT_FALSE(m_desktop->IsWindowVisible(pane));
    EXPECT_EQ(m_desktop->FindChildWindow(foreground, 0, "Pane"), 0u);
    EXPECT_EQ(m_desktop->FindChildWindow(m_x.Root(), pane, "Pane"), 0u);

    // The connection is unharmed.
    const Window next = m_x.CreateWindow("Dialog", "Next", 778);
    m_x.SetActive(next);
    EXPECT_EQ(m_desktop->GetForegroundWindow(), next);
    EXPECT_EQ(Title(next), "Next");
}

TEST_F(X11DesktopTest, TheChangeCountStaysWhileNothingChangesAndMovesWithEachChange) {
    const Window editor = m_x.CreateWindow("Editor", "a.txt", 501);
    const Window other = m_x.CreateWindow("Editor", "b.txt", 502);
    m_x.SetActive(editor);
    ASSERT_EQ(m_desktop->GetForegroundWindow(), editor);
    ASSERT_EQ(Title(editor), "a.txt");
    uint64_t count = m_desktop->ChangeCount();
    ASSERT_NE(count, 0u);
    auto moved = [&] {
        const uint64_t now = m_desktop->ChangeCount();
        const bool changed = now != count;
        count = now;
        return changed;
    };
    EXPECT_FALSE(moved());
    m_x.SetTitle(editor, "a.txt *");
    EXPECT_TRUE(moved());
    EXPECT_EQ(Title(editor), "a.txt *");
    EXPECT_FALSE(moved());
    m_x.SetActive(other);
    EXPECT_TRUE(moved());
    EXPECT_EQ(m_desktop->GetForegroundWindow(), other);
    EXPECT_EQ(Title(other), "b.txt");
    m_x.Destroy(other);  // closed while in front
    EXPECT_TRUE(moved());
    EXPECT_EQ(m_desktop->GetWindowTextLength(other), 0);
}

TEST_F(X11DesktopTest, ANewWindowWithTheIdOfOneClosedInFrontIsReadAnew) {
    // The window in front closes and its program ends while the hint still
    // names it; the server hands the ids of a client that left to the next
    // one that connects, so the next window in front can bear the same id.
    auto closing = std::make_unique<CX11TestDisplay>();
    const Window closed = closing->CreateWindow("Terminal", "make - Terminal", 601);
    m_x.SetActive(closed);
    ASSERT_EQ(m_desktop->GetForegroundWindow(), closed);
    ASSERT_EQ(Title(closed), "make - Terminal");
    closing->Destroy(closed);
    closing.reset();
    EXPECT_EQ(m_desktop->GetWindowTextLength(closed), 0);

    std::vector<std::unique_ptr<CX11TestDisplay>> programs;
    Window opened = None;
    while (opened != closed && programs.size() < 16) {
        programs.push_back(std::make_unique<CX11TestDisplay>());
        opened = programs.back()->CreateWindow("Terminal", "vi - Terminal", 602);
    }
    ASSERT_EQ(opened, closed) << "no later program was given the ids of the one that ended";
    m_x.SetActive(opened);
    EXPECT_EQ(m_desktop->GetForegroundWindow(), opened);
    EXPECT_EQ(Title(opened), "vi - Terminal");
    EXPECT_EQ(m_desktop->GetWindowProcessId(opened), 602u);
    // And it is watched: its changes move the count.
    const uint64_t count = m_desktop->ChangeCount();
    programs.back()->SetTitle(opened, "vi notes.txt - Terminal");
    EXPECT_NE(m_desktop->ChangeCount(), count);
    EXPECT_EQ(Title(opened), "vi notes.txt - Terminal");
}

TEST_F(X11DesktopTest, ThreadsSharingTheServiceEachGetTheirOwnAnswers) {
    // One thread asks about a window that exists, the other about one that
    // vanished: the X errors of the second must never spoil the first.
    const Window live = m_x.CreateWindow("Live", "Live window", 1234);
    const Window gone = m_x.CreateWindow("Gone", "Gone window", 4321);
    m_x.Destroy(gone);
    int wrongLive = 0, wrongGone = 0;
    std::thread other([&] {
        for (int i = 0; i < 2000; ++i) {
            char title[32] = {};
            if (m_desktop->GetWindowText(gone, title, sizeof(title)) != 0 || m_desktop->GetWindowProcessId(gone) != 0)
                ++wrongGone;
        }
    });
    for (int i = 0; i < 2000; ++i) {
        char title[32] = {};
        if (m_desktop->GetWindowText(live, title, sizeof(title)) != 11 || std::strcmp(title, "Live window") != 0 ||
            m_desktop->GetWindowProcessId(live) != 1234)
            ++wrongLive;
    }
    other.join();
    EXPECT_EQ(wrongLive, 0);
    EXPECT_EQ(wrongGone, 0);
}

TEST_F(X11DesktopTest, IdleIsToldWhenItReachesTheLimitAndEndsWithInput) {
    // The SYNC alarms of a short limit; the answers below it are the current tick.
    constexpr uint32_t kLimitMs = 300;
    const auto desktop = CreateX11Desktop(std::nullopt, kLimitMs);
    auto idleMs = [&] {
        uint32_t lastInput = 0;
        EXPECT_TRUE(desktop->GetLastInputTick(lastInput));
        return Clock().TickCount() - lastInput;
    };
    ASSERT_TRUE(m_x.FakeInput()) << "the X server has no XTEST extension";
    ASSERT_TRUE(WaitUntil([&] { return idleMs() >= kLimitMs; })) << "the limit was never reported";
    // Beyond the limit the last input is exact: it stays where it was.
    uint32_t first = 0, second = 0;
    ASSERT_TRUE(desktop->GetLastInputTick(first));
    Clock().Sleep(50);
    ASSERT_TRUE(desktop->GetLastInputTick(second));
    EXPECT_EQ(first, second);
    // Idle or not, the state moves only with the alarms.
    const uint64_t idleCount = desktop->ChangeCount();
    EXPECT_NE(idleCount, 0u);
    EXPECT_EQ(desktop->ChangeCount(), idleCount);

    ASSERT_TRUE(m_x.FakeInput());
    EXPECT_TRUE(WaitUntil([&] { return idleMs() < kLimitMs; })) << "input again was never reported";
    EXPECT_NE(desktop->ChangeCount(), idleCount);
    // The desktop of the capture watches its own limit.
    ASSERT_TRUE(m_desktop->GetLastInputTick(first));
    EXPECT_LT(Clock().TickCount() - first, kIdleNoticeMs);
}

TEST_F(X11DesktopTest, FindsWindowsByClassAndTellsWhichAreVisible) {
    const Window other = m_x.CreateWindow("Other", "Other", 1);
    const Window main = m_x.CreateWindow("tSkMainForm", "Skype - alice", 1);
    const Window hidden = m_x.CreateChild(main, "TConversationForm", "Bob", false);
    const Window shown = m_x.CreateChild(main, "TConversationForm", "Carol", true);
    m_x.CreateChild(main, "TButton", "Call", true);

    EXPECT_EQ(m_desktop->FindWindow("tSkMainForm"), main);
    EXPECT_EQ(m_desktop->FindWindow("TSKMAINFORM"), main);  // window classes ignore case
    EXPECT_EQ(m_desktop->FindWindow("tSkMain"), 0u);
    EXPECT_EQ(m_desktop->FindWindow("Nothing"), 0u);
    EXPECT_EQ(m_desktop->FindWindow(nullptr), 0u);
    EXPECT_EQ(m_desktop->FindChildWindow(other, 0, "TConversationForm"), 0u);

    // The children of the class, topmost (latest) first, then none.
    const WindowHandle first = m_desktop->FindChildWindow(main, 0, "TConversationForm");
    const WindowHandle second = m_desktop->FindChildWindow(main, first, "TConversationForm");
    EXPECT_EQ(first, shown);
    EXPECT_EQ(second, hidden);
    EXPECT_EQ(m_desktop->FindChildWindow(main, second, "TConversationForm"), 0u);
    EXPECT_TRUE(m_desktop->IsWindowVisible(shown));
    EXPECT_FALSE(m_desktop->IsWindowVisible(hidden));

    // A shown child of a hidden window is not visible.
    m_x.Show(main, false);
    EXPECT_FALSE(m_desktop->IsWindowVisible(shown));
    EXPECT_FALSE(m_desktop->IsWindowVisible(main));
    m_x.Show(main, true);
    EXPECT_TRUE(m_desktop->IsWindowVisible(shown));
}

TEST_F(X11DesktopTest, TopLevelWindowsComeFromTheWindowManagersListWhenThereIsOne) {
    // A reparenting window manager puts the application's window in a frame.
    const Window frame = m_x.CreateWindow("", "", 0);
    const Window client = m_x.CreateChild(frame, "Framed", "Framed", true);
    EXPECT_EQ(m_desktop->FindWindow("Framed"), 0u);

    m_x.SetClientStacking({client});
    EXPECT_EQ(m_desktop->FindWindow("Framed"), client);
    m_x.SetClientStacking({});
}

// A display number that no X server uses now, away from the low numbers that
// desktops and xvfb-run take.
std::string UnusedDisplay() {
    std::mt19937 random(std::random_device{}());
    for (;;) {
        const int number = std::uniform_int_distribution<int>(500, 999)(random);
        const std::string n = std::to_string(number);
        if (access(("/tmp/.X" + n + "-lock").c_str(), F_OK) != 0 && access(("/tmp/.X11-unix/X" + n).c_str(), F_OK) != 0)
            return ":" + n;
    }
}

// A private X server on the display, ready when constructed (Ready()).
class CPrivateXServer {
public:
    explicit CPrivateXServer(const std::string& display)
        : m_server("Xvfb", {"Xvfb", display, "-displayfd", "1", "-screen", "0", "320x240x24", "-nolisten", "tcp"}) {
        std::string number;
        m_ready = m_server.ReadLine(number) && ":" + number == display;
    }
    ~CPrivateXServer() { Stop(); }
    bool Ready() const { return m_ready; }
    // Ends the server the way a session ends it (it removes its lock file).
    void Stop() {
        if (m_server.Pid() <= 0) return;
        kill(m_server.Pid(), SIGTERM);
        m_server.Wait();
    }

private:
    CChildProcess m_server;
    bool m_ready = false;
};

TEST(X11NoDisplay, EveryAnswerIsNone) {
    const std::string gone = UnusedDisplay();
    auto desktop = CreateX11Desktop(gone);
    EXPECT_EQ(desktop->GetForegroundWindow(), 0u);
    EXPECT_EQ(desktop->GetDesktopWindow(), 0u);
    EXPECT_EQ(desktop->GetWindowTextLength(1), 0);
    char title[8] = "old";
    EXPECT_EQ(desktop->GetWindowText(1, title, sizeof(title)), 0);
    EXPECT_STREQ(title, "");
    EXPECT_EQ(desktop->GetWindowProcessId(1), 0u);
    uint32_t tick = 0;
    EXPECT_FALSE(desktop->GetLastInputTick(tick));
    EXPECT_EQ(desktop->FindWindow("Any"), 0u);
    EXPECT_EQ(desktop->FindChildWindow(1, 0, "Any"), 0u);
    EXPECT_FALSE(desktop->IsWindowVisible(1));
    EXPECT_EQ(desktop->ChangeCount(), 0u);  // cannot tell: every capture asks
}

TEST(X11NoDisplay, ADisplayThatAppearsLaterIsFoundAtTheNextAttempt) {
    const char* display = getenv("DISPLAY");
    ASSERT_TRUE(display) << "needs an X display: run the tests through scripts/run_linux_tests.sh";
    const std::string saved = display;
    CFakeClock clock;
    unsetenv("DISPLAY");
    auto desktop = CreateX11Desktop(std::nullopt);
    EXPECT_EQ(desktop->GetDesktopWindow(), 0u);
    setenv("DISPLAY", saved.c_str(), 1);

    // Not every call tries again: only once the interval has passed.
    clock.Advance(CX11Connection::kReopenIntervalMs - 1);
    EXPECT_EQ(desktop->GetDesktopWindow(), 0u);
    clock.Advance(1);
    EXPECT_NE(desktop->GetDesktopWindow(), 0u);
}

TEST(X11LostDisplay, TheServerGoingAwayEndsNothingAndItsSuccessorIsFound) {
    const std::string display = UnusedDisplay();
    CPrivateXServer server(display);
    ASSERT_TRUE(server.Ready()) << "Xvfb did not start on " << display;
    CFakeClock clock;
    auto desktop = CreateX11Desktop(display);
    {
        CX11TestDisplay x(display.c_str());
        ASSERT_TRUE(x.IsOpen());
        const Window window = x.CreateWindow("Editor", "Draft", 99);
        x.SetActive(window);
        ASSERT_EQ(desktop->GetForegroundWindow(), window);
    }
    server.Stop();

    EXPECT_EQ(desktop->GetForegroundWindow(), 0u);
    EXPECT_EQ(desktop->GetDesktopWindow(), 0u);
    EXPECT_EQ(desktop->GetWindowProcessId(1), 0u);

    CPrivateXServer successor(display);
    ASSERT_TRUE(successor.Ready()) << "Xvfb did not start again on " << display;
    clock.Advance(CX11Connection::kReopenIntervalMs);
    EXPECT_NE(desktop->GetDesktopWindow(), 0u);
    EXPECT_EQ(desktop->GetForegroundWindow(), 0u);
}
}  // namespace
