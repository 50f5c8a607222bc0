#pragma once
// What the host needs from the operating system.

#include <cstdint>

// Makes standard input and output carry bytes unchanged (Windows: binary
// mode) and a browser that has gone away harmless to write to (Linux:
// SIGPIPE ignored).
void PrepareStandardStreams();

// The id of the browser process that started the host, which owns the
// browser's windows. Linux: the parent process. Windows: the process of the
// window named by Chromium's "--parent-window=<handle>" argument, else the
// parent process, or its parent when the parent is the cmd.exe through which
// a browser started the host. 0 when unknown.
uint32_t BrowserProcessId(int argc, char** argv);
