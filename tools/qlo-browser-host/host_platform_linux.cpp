#include <signal.h>
#include <unistd.h>

#include "host_platform.h"

void PrepareStandardStreams() { signal(SIGPIPE, SIG_IGN); }

uint32_t BrowserProcessId(int, char**) { return static_cast<uint32_t>(getppid()); }
