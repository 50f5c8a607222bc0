#include "support/x11_test_display_linux.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <algorithm>

CX11TestDisplay::CX11TestDisplay(const char* displayName) {
    XInitThreads();
    m_display = XOpenDisplay(displayName);
    if (!m_display) return;
    m_root = DefaultRootWindow(m_display);
    m_netActiveWindow = XInternAtom(m_display, "_NET_ACTIVE_WINDOW", False);
    m_netWmName = XInternAtom(m_display, "_NET_WM_NAME", False);
    m_netWmPid = XInternAtom(m_display, "_NET_WM_PID", False);
    m_netClientListStacking = XInternAtom(m_display, "_NET_CLIENT_LIST_STACKING", False);
    m_netSupportingWmCheck = XInternAtom(m_display, "_NET_SUPPORTING_WM_CHECK", False);
    m_utf8String = XInternAtom(m_display, "UTF8_STRING", False);
}

CX11TestDisplay::~CX11TestDisplay() {
    if (!m_display) return;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(m_display, m_root, m_netActiveWindow, 0, 1, False, XA_WINDOW, &type, &format, &count, &after,
                           &data) == Success &&
        data) {
        const Window active = count ? reinterpret_cast<const unsigned long*>(data)[0] : None;
        if (std::find(m_windows.begin(), m_windows.end(), active) != m_windows.end()) SetActive(None);
        XFree(data);
    }
    // Closing the connection destroys every window this client made.
    XCloseDisplay(m_display);
}

bool CX11TestDisplay::HasWindowManager() {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const bool found = XGetWindowProperty(m_display, m_root, m_netSupportingWmCheck, 0, 1, False, XA_WINDOW, &type,
                                          &format, &count, &after, &data) == Success &&
                       count > 0;
    if (data) XFree(data);
    return found;
}

Window CX11TestDisplay::Make(Window parent, const std::string& wmClass, const std::string& title) {
    const Window window = XCreateSimpleWindow(m_display, parent, 10, 10, 200, 100, 0, 0, 0);
    m_windows.push_back(window);
    // WM_CLASS: "instance\0class\0".
    const std::string classHint = wmClass + '\0' + wmClass + '\0';
    SetProperty(window, XA_WM_CLASS, XA_STRING, 8, classHint.data(), static_cast<int>(classHint.size()));
    SetTitle(window, title);
    return window;
}

Window CX11TestDisplay::CreateWindow(const std::string& wmClass, const std::string& title, uint32_t pid) {
    const Window window = Make(m_root, wmClass, title);
    SetPid(window, pid);
    XMapWindow(m_display, window);
    Sync();
    return window;
}

Window CX11TestDisplay::CreateChild(Window parent, const std::string& wmClass, const std::string& title, bool visible) {
    const Window window = Make(parent, wmClass, title);
    if (visible) XMapWindow(m_display, window);
    Sync();
    return window;
}

void CX11TestDisplay::Destroy(Window window) {
    XDestroyWindow(m_display, window);
    std::erase(m_windows, window);
    Sync();
}

void CX11TestDisplay::Show(Window window, bool visible) {
    if (visible)
        XMapWindow(m_display, window);
    else
        XUnmapWindow(m_display, window);
    Sync();
}

void CX11TestDisplay::SetTitle(Window window, const std::string& utf8) {
    SetNetWmName(window, utf8);
    SetWmName(window, utf8, true);
}

void CX11TestDisplay::SetNetWmName(Window window, const std::string& bytes) {
    SetProperty(window, m_netWmName, m_utf8String, 8, bytes.data(), static_cast<int>(bytes.size()));
}

void CX11TestDisplay::RemoveNetWmName(Window window) {
    XDeleteProperty(m_display, window, m_netWmName);
    Sync();
}

void CX11TestDisplay::SetWmName(Window window, const std::string& bytes, bool utf8) {
    SetProperty(window, XA_WM_NAME, utf8 ? m_utf8String : XA_STRING, 8, bytes.data(), static_cast<int>(bytes.size()));
}

void CX11TestDisplay::SetPid(Window window, uint32_t pid) {
    if (pid == 0) {
        XDeleteProperty(m_display, window, m_netWmPid);
        Sync();
        return;
    }
    const unsigned long value = pid;  // 32-bit items travel as longs
    SetProperty(window, m_netWmPid, XA_CARDINAL, 32, &value, 1);
}

void CX11TestDisplay::SetActive(Window window) {
    const unsigned long value = window;
    SetProperty(m_root, m_netActiveWindow, XA_WINDOW, 32, &value, 1);
}

void CX11TestDisplay::RemoveActive() {
    XDeleteProperty(m_display, m_root, m_netActiveWindow);
    Sync();
}

void CX11TestDisplay::SetClientStacking(const std::vector<Window>& bottomFirst) {
    if (bottomFirst.empty()) {
        XDeleteProperty(m_display, m_root, m_netClientListStacking);
        Sync();
        return;
    }
    const std::vector<unsigned long> values(bottomFirst.begin(), bottomFirst.end());
    SetProperty(m_root, m_netClientListStacking, XA_WINDOW, 32, values.data(), static_cast<int>(values.size()));
}

bool CX11TestDisplay::FakeInput() {
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(m_display, &eventBase, &errorBase, &major, &minor)) return false;
    // Alternate between two points so that every call really moves the pointer.
    m_motion ^= 1;
    XTestFakeMotionEvent(m_display, -1, 100 + 50 * m_motion, 100, CurrentTime);
    Sync();
    return true;
}

void CX11TestDisplay::SetProperty(Window window, Atom property, Atom type, int format, const void* data, int count) {
    XChangeProperty(m_display, window, property, type, format, PropModeReplace, static_cast<const unsigned char*>(data),
                    count);
    Sync();
}

void CX11TestDisplay::Sync() { XSync(m_display, False); }
