// The window helper program as system tests will drive it, seen through the
// collector's own desktop and process services.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <memory>
#include <string>

#include "platform/clock.h"
#include "platform/desktop_linux.h"
#include "platform/processes.h"
#include "support/child_process_linux.h"
#include "support/temp_folder.h"
#include "support/x11_test_display_linux.h"

namespace fs = std::filesystem;

namespace {
class X11WindowsHelperTest : public ::testing::Test {
protected:
    void SetUp() override {
        CX11TestDisplay x;
        ASSERT_TRUE(x.IsOpen()) << "needs an X display: run the tests through scripts/run_linux_tests.sh";
        if (x.HasWindowManager()) GTEST_SKIP() << "a window manager runs on this display; the helper acts as one";
        m_desktop = CreateX11Desktop(std::nullopt);
    }

    // Starts a copy of the helper named `name` and waits for its "ready".
    std::unique_ptr<CChildProcess> Start(const std::string& name, std::vector<std::string> args) {
        const fs::path copy = m_folder.Path() / name;
        fs::copy_file(QLO_X11_WINDOWS, copy, fs::copy_options::overwrite_existing);
        args.insert(args.begin(), copy.string());
        auto helper = std::make_unique<CChildProcess>(copy.string(), args);
        std::string line;
        EXPECT_TRUE(helper->ReadLine(line));
        EXPECT_EQ(line, "ready " + std::to_string(helper->Pid()));
        return helper;
    }

    static std::string Ask(CChildProcess& helper, const std::string& command) {
        std::string answer;
        if (!helper.WriteLine(command) || !helper.ReadLine(answer)) return "(no answer)";
        return answer;
    }

    static WindowHandle WindowOf(const std::string& answer) {
        return answer.rfind("ok ", 0) == 0 ? std::stoul(answer.substr(3)) : 0;
    }

    std::string ForegroundTitle() {
        char title[262] = {};
        m_desktop->GetWindowText(m_desktop->GetForegroundWindow(), title, 260);
        return title;
    }

    // Waits (boundedly) until a signal sent to the helper has shown its effect.
    bool ForegroundBecomes(WindowHandle window) {
        for (int i = 0; i < 500; ++i) {
            if (m_desktop->GetForegroundWindow() == window) return true;
            Clock().Sleep(10);
        }
        return false;
    }

    CTempFolder m_folder;
    std::unique_ptr<CDesktopService> m_desktop;
};

TEST_F(X11WindowsHelperTest, PlaysAProgramOfAChosenNameAndObeysItsCommands) {
    auto excel = Start("excel", {"--window", "book", "XLMAIN", "Book1 - Excel"});
    const uint32_t pid = static_cast<uint32_t>(excel->Pid());
    const WindowHandle book = m_desktop->GetForegroundWindow();
    ASSERT_NE(book, 0u);
    EXPECT_EQ(ForegroundTitle(), "Book1 - Excel");
    EXPECT_EQ(m_desktop->GetWindowProcessId(book), pid);
    char fileName[261] = {}, path[261] = {};
    EXPECT_EQ(Processes().FindImageBySnapshot(fileName, sizeof(fileName), path, sizeof(path), pid), 1);
    EXPECT_STREQ(fileName, "excel");

    const WindowHandle sheet = WindowOf(Ask(*excel,
                                            "window sheet XLMAIN Donn\xC3\xA9"
                                            "es 2026"));
    ASSERT_NE(sheet, 0u);
    EXPECT_EQ(Ask(*excel, "activate sheet"), "ok");
    EXPECT_EQ(m_desktop->GetForegroundWindow(), sheet);
    EXPECT_EQ(ForegroundTitle(),
              "Donn\xC3\xA9"
              "es 2026");
    EXPECT_EQ(Ask(*excel, "title sheet Sheet2 - Excel"), "ok");
    EXPECT_EQ(ForegroundTitle(), "Sheet2 - Excel");
    EXPECT_EQ(Ask(*excel, "nonetname sheet"), "ok");
    EXPECT_EQ(Ask(*excel, "wmname sheet Caf\xE9"), "ok");
    EXPECT_EQ(ForegroundTitle(), "Caf\xC3\xA9");
    EXPECT_EQ(Ask(*excel, "pid sheet 4242"), "ok");
    EXPECT_EQ(m_desktop->GetWindowProcessId(sheet), 4242u);

    const WindowHandle pane = WindowOf(Ask(*excel, "child pane book TConversationForm hidden Bob"));
    ASSERT_NE(pane, 0u);
    EXPECT_EQ(m_desktop->FindWindow("XLMAIN"), sheet);  // the topmost of the class
    EXPECT_EQ(m_desktop->FindChildWindow(book, 0, "TConversationForm"), pane);
    EXPECT_FALSE(m_desktop->IsWindowVisible(pane));
    EXPECT_EQ(Ask(*excel, "show pane"), "ok");
    EXPECT_TRUE(m_desktop->IsWindowVisible(pane));

    EXPECT_EQ(Ask(*excel, "activate none"), "ok");
    EXPECT_EQ(m_desktop->GetForegroundWindow(), 0u);
    EXPECT_EQ(Ask(*excel, "destroy book"), "ok");
    EXPECT_EQ(m_desktop->FindChildWindow(book, 0, "TConversationForm"), 0u);
    EXPECT_EQ(Ask(*excel, "show pane"), "error no window pane");
    EXPECT_EQ(Ask(*excel, "window sheet X again"), "error window exists: sheet");
    EXPECT_EQ(Ask(*excel, "fly sheet"), "error unknown command fly");
    EXPECT_EQ(Ask(*excel, "input"), "ok");

    EXPECT_EQ(Ask(*excel, "activate sheet"), "ok");
    EXPECT_EQ(Ask(*excel, "quit"), "ok");
    EXPECT_EQ(excel->Wait(), 0);
    // It leaves no active window behind that no longer exists.
    EXPECT_EQ(m_desktop->GetForegroundWindow(), 0u);
}

TEST_F(X11WindowsHelperTest, SignalsSwitchTheActiveWindowAndEndIt) {
    auto helper = Start("writer", {"--no-stdin", "--pid", "31337", "--window", "a", "Writer", "First", "--window", "b",
                                   "Writer", "Second"});
    const WindowHandle second = m_desktop->GetForegroundWindow();
    EXPECT_EQ(ForegroundTitle(), "Second");
    EXPECT_EQ(m_desktop->GetWindowProcessId(second), 31337u);
    // Without commands to read, the end of its input does not end it.
    helper->CloseInput();

    kill(helper->Pid(), SIGUSR1);
    ASSERT_TRUE(ForegroundBecomes(m_desktop->FindChildWindow(0, second, "Writer")));
    EXPECT_EQ(ForegroundTitle(), "First");
    kill(helper->Pid(), SIGUSR1);
    ASSERT_TRUE(ForegroundBecomes(second));

    kill(helper->Pid(), SIGTERM);
    EXPECT_EQ(helper->Wait(), 0);
    EXPECT_EQ(m_desktop->GetForegroundWindow(), 0u);
}

TEST_F(X11WindowsHelperTest, TheEndOfItsInputEndsIt) {
    auto helper = Start("notepad", {"--window", "w", "Notepad", "Untitled"});
    EXPECT_EQ(ForegroundTitle(), "Untitled");
    helper->CloseInput();
    EXPECT_EQ(helper->Wait(), 0);
    EXPECT_EQ(m_desktop->GetForegroundWindow(), 0u);
}
}  // namespace
