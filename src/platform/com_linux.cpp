// Linux has no COM and no session notifications of a window: lock and unlock
// reach the collector through logind in the application's event loop.

#include "platform/com.h"

long InitializeCom() { return 0; }
void UninitializeCom() {}
long InitializeComSecurity() { return 0; }
bool RegisterSessionNotification(WindowHandle, uint32_t&) { return true; }
bool UnregisterSessionNotification(WindowHandle, uint32_t&) { return true; }
