// The desktops of Wayland sessions: the choice from the session's variables,
// a wlroots compositor (a real sway, headless, with windows of
// qlo_wayland_windows), and GNOME Shell's D-Bus contract against a stand-in
// (qlo_fake_gnome_shell) on a private bus.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "platform/clock.h"
#include "platform/desktop_linux.h"
#include "platform/desktop_session_linux.h"
#include "support/child_process_linux.h"
#include "support/private_bus_linux.h"
#include "support/sway_compositor_linux.h"
#include "support/temp_folder.h"
#include "support/wait_until.h"

namespace fs = std::filesystem;

namespace {
std::string Title(CDesktopService& desktop, WindowHandle window) {
    char title[262] = "stale";
    desktop.GetWindowText(window, title, 260);
    return title;
}

uint32_t IdleMs(CDesktopService& desktop) {
    uint32_t lastInput = 0;
    return desktop.GetLastInputTick(lastInput) ? Clock().TickCount() - lastInput : 0;
}

// Runs `line` in a helper and expects its "ok".
void Ask(CChildProcess& helper, const std::string& line) {
    std::string answer;
    ASSERT_TRUE(helper.WriteLine(line) && helper.ReadLine(answer)) << line;
    ASSERT_EQ(answer, "ok") << line;
}

TEST(DesktopChoice, FollowsTheSessionVariables) {
    EXPECT_EQ(ChooseDesktopKind(nullptr, nullptr, nullptr), EDesktopKind::X11);
    EXPECT_EQ(ChooseDesktopKind("x11", "wayland-0", "GNOME"), EDesktopKind::X11);
    EXPECT_EQ(ChooseDesktopKind("wayland", nullptr, "sway"), EDesktopKind::Wayland);
    // A compositor started from a text console leaves the type "tty".
    EXPECT_EQ(ChooseDesktopKind("tty", "wayland-1", nullptr), EDesktopKind::Wayland);
    EXPECT_EQ(ChooseDesktopKind("tty", "", nullptr), EDesktopKind::X11);
    EXPECT_EQ(ChooseDesktopKind("wayland", "wayland-0", "ubuntu:GNOME"), EDesktopKind::Gnome);
    EXPECT_EQ(ChooseDesktopKind("wayland", "wayland-0", "GNOME-Classic:GNOME"), EDesktopKind::Gnome);
    EXPECT_EQ(ChooseDesktopKind("wayland", "wayland-0", "KDE"), EDesktopKind::Wayland);

    std::string limitation;
    EXPECT_EQ(CreateWlrootsDesktop("/nonexistent/wayland-9", kIdleNoticeMs, limitation), nullptr);
    EXPECT_NE(limitation.find("cannot be reached"), std::string::npos) << limitation;
}

TEST(WlrootsDesktop, FollowsTheFocusedWindowItsTitleProcessAndIdleTime) {
    CSwayCompositor sway;
    ASSERT_TRUE(sway.Ready()) << sway.Problem();
    // Two programs found by their app ids: by name, and by the last part of a reverse-domain id.
    CTempFolder folder;
    for (const char* name : {"texteditor", "notes"})
        fs::copy_file(QLO_WAYLAND_WINDOWS, folder.File(name));
    CChildProcess editor(folder.File("texteditor"), {"texteditor", "--display", sway.Display()});
    CChildProcess notes(folder.File("notes"), {"notes", "--display", sway.Display()});
    std::string ready;
    ASSERT_TRUE(editor.ReadLine(ready) && notes.ReadLine(ready));

    constexpr uint32_t kLimitMs = 300;
    std::string limitation;
    const auto desktop = CreateWlrootsDesktop(sway.Display(), kLimitMs, limitation);
    ASSERT_NE(desktop, nullptr) << limitation;
    EXPECT_EQ(desktop->GetForegroundWindow(), 0u) << "nothing is open yet";
    EXPECT_NE(desktop->GetDesktopWindow(), 0u);

    Ask(editor, "window main texteditor Draft \xE2\x80\x93 Editor");
    ASSERT_TRUE(
        WaitUntil([&] { return Title(*desktop, desktop->GetForegroundWindow()) == "Draft \xE2\x80\x93 Editor"; }));
    const WindowHandle draft = desktop->GetForegroundWindow();
    EXPECT_EQ(desktop->GetWindowTextLength(draft), 16);
    EXPECT_EQ(desktop->GetWindowProcessId(draft), static_cast<uint32_t>(editor.Pid()));

    // A new window takes the focus; the compositor gives it back on command.
    Ask(notes, "window main org.example.Notes Shopping list");
    ASSERT_TRUE(WaitUntil([&] { return Title(*desktop, desktop->GetForegroundWindow()) == "Shopping list"; }));
    const WindowHandle list = desktop->GetForegroundWindow();
    EXPECT_NE(list, draft);
    EXPECT_EQ(desktop->GetWindowProcessId(list), static_cast<uint32_t>(notes.Pid()));
    ASSERT_TRUE(sway.Command("[app_id=texteditor] focus"));
    ASSERT_TRUE(WaitUntil([&] { return desktop->GetForegroundWindow() == draft; }));

    // A title change, then the window in front closes. The change moves the
    // count; a waiting check would have been woken by the socket.
    const uint64_t beforeTitle = desktop->ChangeCount();
    EXPECT_NE(beforeTitle, 0u);
    EXPECT_GE(desktop->ChangeNotice(), 0);
    Ask(editor, "title main Draft (saved)");
    ASSERT_TRUE(WaitUntil([&] { return Title(*desktop, draft) == "Draft (saved)"; }));
    EXPECT_NE(desktop->ChangeCount(), beforeTitle);
    Ask(editor, "close main");
    ASSERT_TRUE(WaitUntil([&] { return desktop->GetForegroundWindow() != draft; }));
    EXPECT_EQ(Title(*desktop, draft), "");
    EXPECT_EQ(desktop->GetWindowProcessId(draft), 0u);

    // Idle once the limit passed without input; active again with input.
    Ask(notes, "input");
    ASSERT_TRUE(WaitUntil([&] { return IdleMs(*desktop) >= kLimitMs; })) << "idle was never reported";
    Ask(notes, "input");
    EXPECT_TRUE(WaitUntil([&] { return IdleMs(*desktop) < kLimitMs; })) << "input was never reported";
}

class GnomeDesktopTest : public testing::Test {
protected:
    std::unique_ptr<CChildProcess> StartShell(bool extension) {
        std::vector<std::string> argv{"qlo_fake_gnome_shell", "--address", bus.Address()};
        if (!extension) argv.push_back("--no-extension");
        auto shell = std::make_unique<CChildProcess>(QLO_FAKE_GNOME_SHELL, argv);
        std::string ready;
        EXPECT_TRUE(shell->ReadLine(ready) && ready == "ready");
        return shell;
    }

    CPrivateBus bus;
};

TEST_F(GnomeDesktopTest, FollowsTheExtensionsFocusAndMuttersIdleWatches) {
    ASSERT_FALSE(bus.Address().empty());
    auto shell = StartShell(true);
    Ask(*shell, "focus 77 4242 gedit Draft \xE2\x80\x93 gedit");
    std::string limitation;
    const auto desktop = CreateGnomeDesktop(bus.Address(), kIdleNoticeMs, limitation);
    EXPECT_EQ(limitation, "");
    // The state at the start is asked for; later ones come as signals.
    EXPECT_EQ(desktop->GetForegroundWindow(), 77u);
    EXPECT_EQ(Title(*desktop, 77), "Draft \xE2\x80\x93 gedit");
    EXPECT_EQ(desktop->GetWindowTextLength(77), 15);
    EXPECT_EQ(desktop->GetWindowProcessId(77), 4242u);
    // Each signal moves the change count; a waiting check would have been woken by the bus.
    const uint64_t beforeFocus = desktop->ChangeCount();
    EXPECT_NE(beforeFocus, 0u);
    EXPECT_GE(desktop->ChangeNotice(), 0);
    Ask(*shell, "focus 78 99 org.gnome.Nautilus Home");
    ASSERT_TRUE(WaitUntil([&] { return desktop->GetForegroundWindow() == 78u; }));
    EXPECT_NE(desktop->ChangeCount(), beforeFocus);
    EXPECT_EQ(Title(*desktop, 78), "Home");
    EXPECT_EQ(desktop->GetWindowProcessId(78), 99u);
    EXPECT_EQ(desktop->GetWindowProcessId(77), 0u) << "only the focused window is known";
    Ask(*shell, "focus 0 0 - ");
    ASSERT_TRUE(WaitUntil([&] { return desktop->GetForegroundWindow() == 0u; }));
    EXPECT_NE(desktop->GetDesktopWindow(), 0u);

    EXPECT_LT(IdleMs(*desktop), kIdleNoticeMs);
    Ask(*shell, "idle 61000");
    ASSERT_TRUE(WaitUntil([&] { return IdleMs(*desktop) >= kIdleNoticeMs; }));
    Ask(*shell, "active");
    EXPECT_TRUE(WaitUntil([&] { return IdleMs(*desktop) < kIdleNoticeMs; }));
}

TEST_F(GnomeDesktopTest, WithoutTheExtensionItSaysSoAndFindsItOnceEnabled) {
    ASSERT_FALSE(bus.Address().empty());
    auto shell = StartShell(false);
    std::string limitation;
    const auto desktop = CreateGnomeDesktop(bus.Address(), kIdleNoticeMs, limitation);
    EXPECT_NE(limitation.find("qlocollector-focus@orvanta.belvane"), std::string::npos) << limitation;
    EXPECT_EQ(desktop->GetForegroundWindow(), 0u);

    // The shell restarts with the extension enabled.
    shell->WriteLine("quit");
    shell->Wait();
    shell = StartShell(true);
    Ask(*shell, "focus 5 123 gedit Notes");
    ASSERT_TRUE(WaitUntil([&] { return desktop->GetForegroundWindow() == 5u; }));
    EXPECT_EQ(desktop->GetWindowProcessId(5), 123u);
    Ask(*shell, "idle 70000");
    EXPECT_TRUE(WaitUntil([&] { return IdleMs(*desktop) >= 70000; })) << "the idle watch was not set up again";
}
}  // namespace
