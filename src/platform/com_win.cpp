#include <objbase.h>
#include <windows.h>
#include <wtsapi32.h>

#include "platform/com.h"

long InitializeCom() { return CoInitialize(nullptr); }
void UninitializeCom() { CoUninitialize(); }

long InitializeComSecurity() {
    return CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_CONNECT, RPC_C_IMP_LEVEL_IMPERSONATE,
                                nullptr, EOAC_NONE, nullptr);
}

bool RegisterSessionNotification(WindowHandle window, uint32_t& error) {
    if (WTSRegisterSessionNotification(reinterpret_cast<HWND>(window), NOTIFY_FOR_THIS_SESSION)) return true;
    error = GetLastError();
    return false;
}

bool UnregisterSessionNotification(WindowHandle window, uint32_t& error) {
    if (WTSUnRegisterSessionNotification(reinterpret_cast<HWND>(window))) return true;
    error = GetLastError();
    return false;
}
