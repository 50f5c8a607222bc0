#pragma once
// Windows on an X display, made the way applications and a window manager
// make them, for tests, benchmarks and the window helper program: top-level
// windows with a title, a class and an owning process id, child windows, the
// root's active-window hint, and fake user input. Every change reaches the
// server (XSync) before the call returns, so other clients see it at once.
// One object per thread; X errors on its display end the process, as Xlib's
// default handler does (they are bugs of the test, not conditions to handle).

#include <X11/Xlib.h>

#include <cstdint>
#include <string>
#include <vector>

class CX11TestDisplay {
public:
    // Opens `displayName` (null: $DISPLAY); IsOpen() tells whether it worked.
    explicit CX11TestDisplay(const char* displayName = nullptr);
    // Clears the active-window hint when it names one of its windows; the
    // server destroys the windows with the connection.
    ~CX11TestDisplay();
    CX11TestDisplay(const CX11TestDisplay&) = delete;
    CX11TestDisplay& operator=(const CX11TestDisplay&) = delete;

    bool IsOpen() const { return m_display != nullptr; }
    Display* Raw() const { return m_display; }
    Window Root() const { return m_root; }
    // True when a window manager announces itself (_NET_SUPPORTING_WM_CHECK).
    bool HasWindowManager();

    // A mapped top-level window whose WM_CLASS names `wmClass` as instance
    // and class, titled `title` (SetTitle), owned by `pid` (SetPid).
    Window CreateWindow(const std::string& wmClass, const std::string& title, uint32_t pid);
    // A child window of `parent` of the class, mapped when `visible`.
    Window CreateChild(Window parent, const std::string& wmClass, const std::string& title, bool visible);
    // Destroys the window and its children.
    void Destroy(Window window);
    void Show(Window window, bool visible);

    // The title as _NET_WM_NAME and WM_NAME, both UTF8_STRING.
    void SetTitle(Window window, const std::string& utf8);
    // Only _NET_WM_NAME (UTF8_STRING), the bytes as given.
    void SetNetWmName(Window window, const std::string& bytes);
    void RemoveNetWmName(Window window);
    // Only WM_NAME: STRING (ISO 8859-1 bytes) or UTF8_STRING.
    void SetWmName(Window window, const std::string& bytes, bool utf8);
    // _NET_WM_PID; 0 removes it.
    void SetPid(Window window, uint32_t pid);

    // The root's _NET_ACTIVE_WINDOW, as a window manager sets it (None: no
    // active window).
    void SetActive(Window window);
    void RemoveActive();
    // The root's _NET_CLIENT_LIST_STACKING, bottom first; empty removes it.
    void SetClientStacking(const std::vector<Window>& bottomFirst);

    // A pointer motion through the XTEST extension: user input as the server
    // sees it. False when the extension is missing.
    bool FakeInput();

private:
    Window Make(Window parent, const std::string& wmClass, const std::string& title);
    void SetProperty(Window window, Atom property, Atom type, int format, const void* data, int count);
    void Sync();

    Display* m_display = nullptr;
    Window m_root = None;
    std::vector<Window> m_windows;
    int m_motion = 0;
    Atom m_netActiveWindow = None;
    Atom m_netWmName = None;
    Atom m_netWmPid = None;
    Atom m_netClientListStacking = None;
    Atom m_netSupportingWmCheck = None;
    Atom m_utf8String = None;
};
