#include <windows.h>
// The service's operation names are also windows.h's A/W macros.
#undef FindWindow
#undef GetWindowText
#undef GetWindowTextLength

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/processes.h"
#include "support/helper_process.h"
#include "support/temp_folder.h"

namespace {
const char kTestWindowClass[] = "QLODesktopTestWindow";

// A visible top-level window of the test process; it takes the foreground
// when created.
class CTestWindow {
public:
    explicit CTestWindow(const char* title) {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = kTestWindowClass;
        RegisterClassExA(&windowClass);  // fails harmlessly for the second window
        m_window = CreateWindowExA(0, kTestWindowClass, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 320, 200,
                                   nullptr, nullptr, windowClass.hInstance, nullptr);
        TakeForeground();
    }
    ~CTestWindow() { Destroy(); }
    CTestWindow(const CTestWindow&) = delete;
    CTestWindow& operator=(const CTestWindow&) = delete;

    WindowHandle Handle() const { return reinterpret_cast<WindowHandle>(m_window); }
    void TakeForeground() {
        SetForegroundWindow(m_window);
        PumpMessages();
    }
    void Destroy() {
        if (m_window) DestroyWindow(m_window);
        m_window = nullptr;
    }

private:
    static void PumpMessages() {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
    }
    HWND m_window = nullptr;
};

WindowHandle ParseWindow(const std::string& text) { return std::strtoul(text.c_str(), nullptr, 16); }

std::string TitleOf(WindowHandle window) {
    char title[512] = {};
    Desktop().GetWindowText(window, title, sizeof(title));
    return title;
}

// Waits up to five seconds for the last-input tick to differ from `before`.
bool InputTickChanges(uint32_t before) {
    for (int i = 0; i < 50; ++i) {
        uint32_t tick = before;
        if (Desktop().GetLastInputTick(tick) && tick != before) return true;
        Clock().Sleep(100);
    }
    return false;
}

TEST(DesktopForeground, ShownWindowIsForegroundWithItsTitleAndOwner) {
    const std::string title = "Quarterly report \xE9t\xE9 - Editor";  // ANSI text with accents
    CTestWindow window(title.c_str());
    ASSERT_NE(window.Handle(), 0u);

    EXPECT_EQ(Desktop().GetForegroundWindow(), window.Handle());
    EXPECT_EQ(Desktop().GetWindowTextLength(window.Handle()), static_cast<int>(title.size()));
    char text[262] = {};
    EXPECT_EQ(Desktop().GetWindowText(window.Handle(), text, 260), static_cast<int>(title.size()));
    EXPECT_EQ(std::string(text), title);
    EXPECT_EQ(Desktop().GetWindowProcessId(window.Handle()), GetCurrentProcessId());
    EXPECT_TRUE(Desktop().IsWindowVisible(window.Handle()));

    const WindowHandle desktop = Desktop().GetDesktopWindow();
    EXPECT_NE(desktop, 0u);
    EXPECT_NE(desktop, window.Handle());
}

TEST(DesktopTitle, LongTitleIsCutToTheLimitAndTerminated) {
    std::string title;
    while (title.size() < 300)
        title += "0123456789";
    CTestWindow window(title.c_str());
    EXPECT_EQ(Desktop().GetWindowTextLength(window.Handle()), 300);

    char text[262];
    std::memset(text, 'Z', sizeof(text));
    EXPECT_EQ(Desktop().GetWindowText(window.Handle(), text, 260), 259);
    EXPECT_EQ(std::string(text), title.substr(0, 259));
    EXPECT_EQ(text[260], 'Z') << "nothing may be written past the limit";

    EXPECT_EQ(Desktop().GetWindowText(window.Handle(), text, 1), 0);
    EXPECT_EQ(text[0], '\0');
    text[0] = 'Z';
    EXPECT_EQ(Desktop().GetWindowText(window.Handle(), text, 0), 0);
    EXPECT_EQ(text[0], 'Z');
    EXPECT_EQ(Desktop().GetWindowText(window.Handle(), nullptr, 260), 0);
}

TEST(DesktopTitle, UntitledAndVanishedWindowsGiveEmptyAnswers) {
    CTestWindow untitled("");
    char text[16] = "stale";
    EXPECT_EQ(Desktop().GetWindowTextLength(untitled.Handle()), 0);
    EXPECT_EQ(Desktop().GetWindowText(untitled.Handle(), text, sizeof(text)), 0);
    EXPECT_STREQ(text, "");

    const WindowHandle gone = untitled.Handle();
    untitled.Destroy();
    std::strcpy(text, "stale");
    EXPECT_EQ(Desktop().GetWindowTextLength(gone), 0);
    EXPECT_EQ(Desktop().GetWindowText(gone, text, sizeof(text)), 0);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(Desktop().GetWindowProcessId(gone), 0u);
    EXPECT_FALSE(Desktop().IsWindowVisible(gone));
}

TEST(DesktopInput, LastInputTickFollowsSentInput) {
    CTestWindow window("Input target");
    const uint32_t before = GetTickCount();
    INPUT moves[2] = {};
    moves[0].type = moves[1].type = INPUT_MOUSE;
    moves[0].mi.dwFlags = moves[1].mi.dwFlags = MOUSEEVENTF_MOVE;
    moves[0].mi.dx = 1;
    moves[1].mi.dx = -1;
    ASSERT_EQ(SendInput(2, moves, sizeof(INPUT)), 2u);

    uint32_t tick = 0;
    ASSERT_TRUE(Desktop().GetLastInputTick(tick));
    // The tick is in GetTickCount's scale: between the moment before the
    // input and now.
    EXPECT_GE(tick, before);
    EXPECT_LE(tick, GetTickCount());
    EXPECT_LE(tick, Clock().TickCount());
}

class DesktopMessengerWindows : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_messenger.Start(ProgramBesideTest("messenger_helper.exe"),
                                      {"--title", "Skype - test.user", "--hidden", "Alice Martin", "--visible",
                                       "Bob \"the builder\"", "--no-input", "--lifetime", "120"}));
        m_main = ParseWindow(m_messenger.ReadyValue("window"));
        ASSERT_NE(m_main, 0u);
    }
    CHelperProcess m_messenger;
    WindowHandle m_main = 0;
};

TEST_F(DesktopMessengerWindows, MainWindowIsFoundByClassAndOwnsTheForeground) {
    EXPECT_EQ(Desktop().FindWindow("tSkMainForm"), m_main);
    EXPECT_EQ(Desktop().GetForegroundWindow(), m_main);
    EXPECT_EQ(Desktop().GetWindowProcessId(m_main), m_messenger.ProcessId());
    EXPECT_EQ(TitleOf(m_main), "Skype - test.user");

    EXPECT_EQ(Desktop().FindWindow("QLONoSuchWindowClass"), 0u);
    EXPECT_EQ(Desktop().FindWindow(nullptr), 0u);
}

TEST_F(DesktopMessengerWindows, ConversationPanesComeInOrderWithTheirVisibility) {
    const WindowHandle first = Desktop().FindChildWindow(m_main, 0, "TConversationForm");
    ASSERT_NE(first, 0u);
    EXPECT_EQ(TitleOf(first), "Alice Martin");
    EXPECT_FALSE(Desktop().IsWindowVisible(first));

    const WindowHandle second = Desktop().FindChildWindow(m_main, first, "TConversationForm");
    ASSERT_NE(second, 0u);
    EXPECT_EQ(TitleOf(second), "Bob \"the builder\"");
    EXPECT_TRUE(Desktop().IsWindowVisible(second));

    EXPECT_EQ(Desktop().FindChildWindow(m_main, second, "TConversationForm"), 0u);
    EXPECT_EQ(Desktop().FindChildWindow(m_main, 0, "QLONoSuchWindowClass"), 0u);
    // Without a parent there are no children (not the top-level windows).
    EXPECT_EQ(Desktop().FindChildWindow(0, 0, "tSkMainForm"), 0u);
}

TEST_F(DesktopMessengerWindows, CommandsChangeTitlesAndVisibility) {
    const WindowHandle first = Desktop().FindChildWindow(m_main, 0, "TConversationForm");
    const WindowHandle second = Desktop().FindChildWindow(m_main, first, "TConversationForm");

    EXPECT_EQ(m_messenger.Command("show 1"), "ok show");
    EXPECT_EQ(m_messenger.Command("hide 2"), "ok hide");
    EXPECT_TRUE(Desktop().IsWindowVisible(first));
    EXPECT_FALSE(Desktop().IsWindowVisible(second));

    EXPECT_EQ(m_messenger.Command("conversation 2 Carol Stone"), "ok conversation");
    EXPECT_EQ(TitleOf(second), "Carol Stone");
    EXPECT_EQ(m_messenger.Command("title Skype - another.user"), "ok title");
    EXPECT_EQ(TitleOf(m_main), "Skype - another.user");

    EXPECT_EQ(m_messenger.Command("show 3"), "error show no such pane");
    EXPECT_EQ(m_messenger.Command("dance"), "error dance unknown command");
}

TEST(DesktopWindowHelper, RunsUnderAnotherNameTakesTheForegroundAndSendsInput) {
    CTempFolder folder;
    const std::string excel = folder.File("excel.exe");
    std::filesystem::copy_file(ProgramBesideTest("window_helper.exe"), excel);
    CTestWindow own("Test window");
    ASSERT_EQ(Desktop().GetForegroundWindow(), own.Handle());
    uint32_t tick = 0;
    Desktop().GetLastInputTick(tick);

    CHelperProcess helper;
    ASSERT_TRUE(helper.Start(excel, {"--title", "Budget.xlsx - Excel", "--input-ms", "100", "--lifetime", "120"}));
    const WindowHandle window = ParseWindow(helper.ReadyValue("window"));
    EXPECT_EQ(Desktop().GetForegroundWindow(), window);
    EXPECT_EQ(Desktop().GetWindowProcessId(window), helper.ProcessId());
    EXPECT_EQ(TitleOf(window), "Budget.xlsx - Excel");
    char fileName[261] = {}, path[261] = {};
    EXPECT_EQ(Processes().FindImageBySnapshot(fileName, sizeof(fileName), path, sizeof(path), helper.ProcessId()), 1);
    EXPECT_STREQ(fileName, "excel.exe");
    EXPECT_TRUE(InputTickChanges(tick)) << "the helper's input should refresh the last-input time";

    EXPECT_EQ(helper.Command("title Forecast.xlsx - Excel"), "ok title");
    EXPECT_EQ(TitleOf(window), "Forecast.xlsx - Excel");

    own.TakeForeground();
    EXPECT_EQ(Desktop().GetForegroundWindow(), own.Handle());
    EXPECT_EQ(helper.Command("foreground"), "ok foreground");
    EXPECT_EQ(Desktop().GetForegroundWindow(), window);

    // Without input the last-input time stands still.
    EXPECT_EQ(helper.Command("input off"), "ok input off");
    Clock().Sleep(300);
    Desktop().GetLastInputTick(tick);
    Clock().Sleep(500);
    uint32_t later = 0;
    Desktop().GetLastInputTick(later);
    EXPECT_EQ(later, tick);
    EXPECT_EQ(helper.Command("input on"), "ok input on");
    EXPECT_TRUE(InputTickChanges(later));

    EXPECT_TRUE(helper.Stop()) << "the helper should end on \"quit\"";
}
}  // namespace
