#include <windows.h>

#include "support/wake_signal.h"

CWakeSignal::CWakeSignal()
    : m_handle(reinterpret_cast<std::intptr_t>(CreateEventA(nullptr, TRUE, FALSE, nullptr))) {}

CWakeSignal::~CWakeSignal() { CloseHandle(reinterpret_cast<HANDLE>(m_handle)); }

void CWakeSignal::Signal() { SetEvent(reinterpret_cast<HANDLE>(m_handle)); }

void CWakeSignal::Reset() { ResetEvent(reinterpret_cast<HANDLE>(m_handle)); }
