#pragma once
// COM on the threads that capture (WMI process queries need it) and the
// session notifications of the hidden window. On Linux there is no COM: the
// calls succeed and do nothing, and lock and unlock come from logind instead.

#include <cstdint>

#include "platform/desktop.h"

// CoInitialize for the calling thread (single-threaded apartment); the HRESULT (0 is S_OK).
long InitializeCom();
void UninitializeCom();
// Process-wide COM security: default descriptor, authentication services
// chosen by COM, connect-level authentication, impersonation. Result ignored by callers.
long InitializeComSecurity();

// Registers the window for lock and unlock notifications of this session
// (WTSRegisterSessionNotification, NOTIFY_FOR_THIS_SESSION). True on success;
// otherwise `error` holds the system error code.
bool RegisterSessionNotification(WindowHandle window, uint32_t& error);
bool UnregisterSessionNotification(WindowHandle window, uint32_t& error);
